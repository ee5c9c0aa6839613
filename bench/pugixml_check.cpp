// pugixml_check: the least a pugixml program does to check files, to compare `xmltool check`
// with as whole processes (time and peak memory): each file loaded with the default options,
// a failure printed, the exit code 1 when any file failed.
//
//   pugixml_check FILE...
#include <cstdio>

#include <pugixml.hpp>

int main(int argc, char** argv) {
    int failed = 0;
    for (int i = 1; i < argc; ++i) {
        pugi::xml_document document;
        const pugi::xml_parse_result result = document.load_file(argv[i]);
        if (!result) {
            std::printf("%s: %s at offset %td\n", argv[i], result.description(), result.offset);
            ++failed;
        }
    }
    std::printf("%d files checked, %d failed\n", argc - 1, failed);
    return failed ? 1 : 0;
}
