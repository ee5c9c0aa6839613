#include "crash/symbol_lines.h"

#include <algorithm>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "crash/crash_state.h"
#include "crash/machine.h"

namespace crash {
namespace {

constexpr int kMaxNesting = 8;        // members of members of ... shown this deep
constexpr ULONG kChildCapacity = 1025;  // the request's own entry and 1024 more

// One symbol line, 2048 bytes at most: longer text is cut.
struct Line {
    char text[2048] = "";
    std::size_t length = 0;
    bool unreadable = false;  // a value could not be read: the line is dropped for "punting"

    void append(const char* format, ...) {
        if (length + 1 >= sizeof text) return;
        va_list arguments;
        va_start(arguments, format);
        const int added = _vsnprintf(text + length, sizeof text - 1 - length, format, arguments);
        va_end(arguments);
        length = added < 0 ? sizeof text - 1 : length + static_cast<std::size_t>(added);
        text[length] = 0;
    }
};

// Reads memory of this process without risking a fault.
bool readMemory(DWORD_PTR address, void* buffer, std::size_t size) {
    SIZE_T read = 0;
    return ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<const void*>(address), buffer, size, &read) && read == size;
}

template <class T>
bool getTypeInfo(DWORD64 moduleBase, ULONG id, IMAGEHLP_SYMBOL_TYPE_INFO what, T& value) {
    return state.dbghelp.SymGetTypeInfo(state.process, moduleBase, id, what, &value);
}

DWORD baseTypeOf(DWORD64 moduleBase, ULONG id) {
    DWORD base = 0, type = 0;
    if (getTypeInfo(moduleBase, id, TI_GET_BASETYPE, base)) return base;
    if (getTypeInfo(moduleBase, id, TI_GET_TYPEID, type) && getTypeInfo(moduleBase, type, TI_GET_BASETYPE, base)) return base;
    return 0;
}

// Text behind a character pointer, when at least its start is readable: quoted, 31 characters
// at most.
void appendPointedText(DWORD_PTR pointer, DWORD baseType, Line& line) {
    if (baseType == kBasicTypeChar && !IsBadStringPtrA(reinterpret_cast<LPCSTR>(pointer), 32))
        line.append(" = \"%.31s\"", reinterpret_cast<const char*>(pointer));
    else if (baseType == kBasicTypeWChar && !IsBadStringPtrW(reinterpret_cast<LPCWSTR>(pointer), 32))
        line.append(" = \"%.31S\"", reinterpret_cast<const wchar_t*>(pointer));
    else
        line.append(" = %I64X", static_cast<DWORD64>(pointer));
}

void formatValue(DWORD baseType, DWORD_PTR address, ULONG64 length, Line& line) {
    const bool text = baseType == kBasicTypeChar || baseType == kBasicTypeWChar;
    unsigned char bytes[8];
    if (length != 1 && length != 2 && length != 4 && length != 8) return;
    if (!readMemory(address, bytes, static_cast<std::size_t>(length))) {
        line.unreadable = true;
        return;
    }
    if (length == 1) return line.append(" = %X", bytes[0]);
    if (length == 2) {
        WORD value;
        std::memcpy(&value, bytes, 2);
        return line.append(" = %X", value);
    }
    if (length == 4) {
        DWORD value;
        std::memcpy(&value, bytes, 4);
        if (baseType == kBasicTypeFloat) {
            float number;
            std::memcpy(&number, bytes, 4);
            return line.append(" = %f", static_cast<double>(number));
        }
        if (text && sizeof(void*) == 4) return appendPointedText(value, baseType, line);
        return line.append(" = %X", value);
    }
    ULONG64 value;
    std::memcpy(&value, bytes, 8);
    if (baseType == kBasicTypeFloat) {
        double number;
        std::memcpy(&number, bytes, 8);
        return line.append(" = %lf", number);
    }
    if (text) {
        const auto pointer = static_cast<DWORD_PTR>(value);
        if (baseType == kBasicTypeChar ? !IsBadStringPtrA(reinterpret_cast<LPCSTR>(pointer), 32)
                                       : !IsBadStringPtrW(reinterpret_cast<LPCWSTR>(pointer), 32))
            return appendPointedText(pointer, baseType, line);
    }
    line.append(" = %I64X", value);
}

// Appends the type's name; for a type with members, a line per member (its value, or its own
// members). True when the type had members.
bool expandType(DWORD64 moduleBase, ULONG id, int nesting, DWORD_PTR address, Line& line) {
    WCHAR* name = nullptr;
    if (getTypeInfo(moduleBase, id, TI_GET_SYMNAME, name) && name) {
        line.append(" %ls", name);
        LocalFree(name);
    }
    DWORD count = 0;
    if (!getTypeInfo(moduleBase, id, TI_GET_CHILDRENCOUNT, count) || count == 0 || nesting >= kMaxNesting) return false;
    // The request as DbgHelp lays it out (count, start, identifiers), in a plain array: the
    // structure declares room for one identifier, and reading past it would be undefined.
    ULONG request[2 + kChildCapacity] = {};
    const ULONG children = std::min<ULONG>(count, kChildCapacity);  // a longer list is cut
    request[0] = children;
    static_assert(offsetof(TI_FINDCHILDREN_PARAMS, ChildId) == 2 * sizeof(ULONG), "count, start, then the identifiers");
    if (!state.dbghelp.SymGetTypeInfo(state.process, moduleBase, id, TI_FINDCHILDREN, request)) return false;
    line.append("\r\n");
    for (ULONG i = 0; i < children; ++i) {
        const ULONG child = request[2 + i];
        for (int tab = 0; tab < nesting + 2; ++tab) line.append("\t");
        DWORD offset = 0;
        getTypeInfo(moduleBase, child, TI_GET_OFFSET, offset);
        if (expandType(moduleBase, child, nesting + 1, address + offset, line)) continue;
        DWORD type = 0;
        ULONG64 length = 0;
        getTypeInfo(moduleBase, child, TI_GET_TYPEID, type);
        getTypeInfo(moduleBase, type, TI_GET_LENGTH, length);
        formatValue(baseTypeOf(moduleBase, child), address + offset, length, line);
        line.append("\r\n");
    }
    return true;
}

// False for symbols that get no line: functions, values in registers, frame-relative values
// without a frame, and a PDB's public symbols (the linker's names of functions and data alike,
// with no type, so no value could be shown; the variables among them come with their own record).
bool formatSymbol(const SYMBOL_INFO& symbol, const FrameRegisters* frame, Line& line) {
    if (symbol.Flags & SYMFLAG_PARAMETER) line.append("Parameter ");
    else if (symbol.Flags & SYMFLAG_LOCAL) line.append("Local ");
    if (symbol.Tag == kSymTagFunction || symbol.Tag == kSymTagPublicSymbol) return false;
    line.append("'%s'@%lu", symbol.Name, symbol.Size);
    DWORD_PTR location;
    const ULONG64 constant = symbol.Value;
    if (symbol.Flags & SYMFLAG_VALUEPRESENT) {
        // A constant: DbgHelp hands over its value, and its address is no place to read one from.
        location = reinterpret_cast<DWORD_PTR>(&constant);
    } else if (symbol.Flags & SYMFLAG_REGREL) {
        if (!frame) return false;
        location = static_cast<DWORD_PTR>(registerValue(symbol.Register, *frame) + symbol.Address);
    } else if (symbol.Flags & SYMFLAG_REGISTER) {
        return false;
    } else {
        location = static_cast<DWORD_PTR>(symbol.Address);
    }
    if (!expandType(symbol.ModBase, symbol.TypeIndex, 0, location, line))
        formatValue(baseTypeOf(symbol.ModBase, symbol.TypeIndex), location, symbol.Size, line);
    return true;
}

}  // namespace

BOOL CALLBACK writeSymbolLine(PSYMBOL_INFO symbol, ULONG, PVOID frame) {
    Line line;
    const bool produced = formatSymbol(*symbol, static_cast<const FrameRegisters*>(frame), line);
    if (line.unreadable) reportPrintf("punting on symbol %s\r\n", symbol->Name);
    else if (produced) reportPrintf("\t%s\r\n", line.text);
    return TRUE;
}

}  // namespace crash
