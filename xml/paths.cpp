#include "xml/paths.h"

#include <vector>

#if defined(_WIN32)
#include <windows.h>
#include <shlwapi.h>
#endif

namespace xml {
namespace {

bool isSeparator(WideChar c) { return c == '/' || c == '\\'; }

bool isParent(WideStringView piece) { return piece.size() == 2 && piece[0] == '.' && piece[1] == '.'; }

}  // namespace

WideString combinePath(WideStringView folder, WideStringView relative) {
    while (!relative.empty() && isSeparator(relative.front())) relative.remove_prefix(1);
#if defined(_WIN32)
    const WideString folderText(folder), relativeText(relative);
    wchar_t buffer[MAX_PATH + 1] = {};
    if (!PathCombineW(buffer, folderText.c_str(), relativeText.c_str())) return WideString();
    return buffer;
#else
    if (folder.empty()) return WideString(relative);
    WideString joined(folder);
    if (!isSeparator(joined.back())) joined += WideChar('/');
    joined += relative;
    return joined;
#endif
}

WideString collapsePath(WideStringView path) {
#if defined(_WIN32)
    const bool networkPath = path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
    WideString collapsed = networkPath ? widen("//") : WideString();
#else
    WideString collapsed = !path.empty() && path[0] == '/' ? widen("/") : WideString();
#endif
    std::vector<WideStringView> pieces;
    while (!path.empty()) {
        std::size_t end = 0;
        while (end < path.size() && !isSeparator(path[end])) ++end;
        const WideStringView piece = path.substr(0, end);
        path.remove_prefix(end == path.size() ? end : end + 1);
        if (piece.empty()) continue;
        // A ".." cancels the piece before it, unless that is a ".." as well: "../../x" climbs twice.
        if (isParent(piece) && !pieces.empty() && !isParent(pieces.back())) pieces.pop_back();
        else pieces.push_back(piece);
    }
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i) collapsed += WideChar('/');
        collapsed += pieces[i];
    }
    return collapsed;
}

WideString parentFolder(WideStringView path) {
    std::size_t cut = path.size();
    while (cut > 0 && !isSeparator(path[cut - 1])) --cut;
    if (cut == 0) return WideString();  // no separator at all
    const std::size_t separator = cut - 1;
    if (separator == 0 || (separator == 1 && path[0] == '\\')) return WideString();
    return WideString(path.substr(0, separator));
}

}  // namespace xml
