#include "corpus.h"

#include <cstdio>
#include <random>

namespace corpus {
namespace {

const char kBom[] = "\xEF\xBB\xBF";

const char* const kWords[] = {
    "the", "a", "of", "to", "and", "in", "is", "it", "unit", "moves", "fast", "slow", "across",
    "river", "bridge", "north", "south", "east", "west", "armour", "light", "heavy", "fires",
    "at", "enemy", "targets", "from", "long", "range", "with", "high", "accuracy", "but", "low",
    "rate", "needs", "supply", "every", "turn", "when", "idle", "gains", "experience", "points",
    "can", "not", "cross", "deep", "water", "forest", "hills", "slows", "down", "vehicles",
    "infantry", "only", "after", "research", "upgrade", "level", "two", "three", "shield",
    "reload", "time", "seconds", "damage", "bonus", "against", "buildings", "walls", "towers",
};
// Two- and three-byte UTF-8 sequences, mixed into the texts at a rate chosen per shape so that
// about one character in a hundred is outside ASCII. Nothing beyond the Basic Multilingual
// Plane: the library refuses four-byte sequences.
const char* const kForeignWords[] = {
    "café", "naïve", "Straße", "façade", "señor", "Ørsted", "Zürich", "Kraków", "€", "→",
    "東京", "Дозор", "Ξένος", "Größe", "Übung", "déjà", "Ålesund", "Łódź", "Èze", "Čeněk",
};
const char* const kNames[] = {
    "Grenadier", "Lancer", "Scout", "Ranger", "Archer", "Knight", "Pikeman", "Sentinel",
    "Mortar", "Engineer", "Medic", "Sapper", "Hussar", "Dragoon", "Musketeer", "Falconer",
    "Müller", "Björn", "Zoë", "Łucznik",
};
const char* const kClasses[] = {"infantry", "cavalry", "artillery", "support", "naval", "air"};
const char* const kWeapons[] = {"rifle", "sabre", "cannon", "bow", "pike", "torch", "mortar", "lance"};
const char* const kColourNames[] = {"red", "green", "blue", "white", "black", "orange", "gold",
                                    "silver", "crimson", "teal", "cornflowerblue", "darkslategray"};
const char* const kTerrains[] = {"grass", "sand", "rock", "water", "swamp", "snow", "road"};
const char* const kItems[] = {"potion", "scroll", "ration", "ammunition", "gem", "key", "map"};

class Writer {
public:
    Writer(std::uint32_t seed, std::uint32_t foreignOneIn) : random(seed), foreignOneIn(foreignOneIn) {}

    std::uint32_t below(std::uint32_t bound) { return random() % bound; }
    bool chance(std::uint32_t oneIn) { return below(oneIn) == 0; }
    template <std::size_t N>
    const char* pick(const char* const (&list)[N]) { return list[below(N)]; }

    void tabs(int depth) { out.append(static_cast<std::size_t>(depth), '\t'); }
    void line(int depth, const std::string& text) {
        tabs(depth);
        out += text;
        out += '\n';
    }

    // Decimal numbers that convert exactly alike in every library: hundredths, some in
    // scientific notation.
    std::string number() {
        char text[32];
        const int hundredths = static_cast<int>(below(2000001)) - 1000000;
        if (chance(20)) std::snprintf(text, sizeof text, "%.2fe%u", hundredths / 100000.0, below(4));
        else std::snprintf(text, sizeof text, "%.2f", hundredths / 100.0);
        return text;
    }
    std::string integer() {
        const int value = static_cast<int>(below(2001)) - (chance(10) ? 1000 : 0);
        return std::to_string(value);
    }
    std::string vector3() {
        const char* separator = chance(8) ? ", " : ",";
        return number() + separator + number() + separator + number();
    }
    std::string colour() {
        char text[32];
        switch (below(3)) {
        case 0: return pick(kColourNames);
        case 1: std::snprintf(text, sizeof text, "#%06X", below(0x1000000)); return text;
        default:
            std::snprintf(text, sizeof text, "%.3g,%.3g,%.3g", below(1001) / 1000.0, below(1001) / 1000.0,
                          below(1001) / 1000.0);
            return text;
        }
    }
    std::string sentence(std::size_t words) {
        std::string text = pick(kNames);
        for (std::size_t i = 1; i < words; ++i) {
            text += ' ';
            text += chance(40) ? "&amp;" : chance(foreignOneIn) ? pick(kForeignWords) : pick(kWords);
        }
        return text + '.';
    }
    std::string attribute(const char* name, const std::string& value) {
        return std::string(" ") + name + "=\"" + value + '"';
    }

    std::mt19937 random;
    std::uint32_t foreignOneIn;
    std::string out;
};

// About one unit in forty brings in the effects of common.xml (and one block in a hundred the
// whole palette): references as game data makes them, not one per element.
void unit(Writer& w, unsigned id) {
    const char* unitClass = w.pick(kClasses);
    w.line(1, "<unit" + w.attribute("id", "u" + std::to_string(id)) + w.attribute("name", w.pick(kNames)) +
                  w.attribute("class", unitClass) + w.attribute("count", w.integer()) +
                  w.attribute("x", w.number()) + w.attribute("y", w.number()) + w.attribute("pos", w.vector3()) +
                  w.attribute("color", w.colour()) + w.attribute("visible", w.chance(5) ? "false" : "true") + ">");
    w.line(2, "<description>" + w.sentence(4 + w.below(10)) + "</description>");
    w.line(2, "<model" + w.attribute("file", std::string("models/") + unitClass + "_" + std::to_string(id % 50) + ".x") +
                  w.attribute("scale", w.number()) + w.attribute("color", w.colour()) + "/>");
    w.line(2, "<weapons>");
    for (unsigned i = 0, n = 1 + w.below(3); i < n; ++i)
        w.line(3, "<weapon" + w.attribute("name", w.pick(kWeapons)) + w.attribute("damage", w.number()) +
                      w.attribute("range", w.integer()) + w.attribute("count", w.integer()) + "/>");
    w.line(2, "</weapons>");
    if (!w.chance(3)) {
        w.line(2, "<path" + w.attribute("loop", w.chance(2) ? "true" : "false") + ">");
        for (unsigned i = 0, n = 1 + w.below(4); i < n; ++i)
            w.line(3, "<waypoint" + w.attribute("pos", w.vector3()) + w.attribute("x", w.number()) +
                          w.attribute("wait", w.number()) + "/>");
        w.line(2, "</path>");
    }
    if (w.chance(40)) w.line(2, "<refer filename=\"common.xml\" path=\"effects\"/>");
    w.line(1, "</unit>");
}

void item(Writer& w, unsigned id) {
    w.line(1, "<item" + w.attribute("id", "i" + std::to_string(id)) + w.attribute("kind", w.pick(kItems)) +
                  w.attribute("count", w.integer()) + w.attribute("x", w.number()) +
                  w.attribute("color", w.colour()) + ">" + w.sentence(3 + w.below(6)) + "</item>");
}

void level(Writer& w, unsigned id) {
    w.line(1, "<level" + w.attribute("id", "l" + std::to_string(id)) + w.attribute("name", w.sentence(2)) + ">");
    w.line(2, "<!-- spawn points of level " + std::to_string(id) + " -->");
    for (unsigned i = 0, n = 2 + w.below(6); i < n; ++i)
        w.line(2, "<spawn" + w.attribute("pos", w.vector3()) + w.attribute("count", w.integer()) + "/>");
    w.line(2, "<ambient" + w.attribute("color", w.colour()) + w.attribute("x", w.number()) + "/>");
    w.line(1, "</level>");
}

void mixedBlock(Writer& w, unsigned& id) {
    if (w.chance(20)) w.line(1, "<!-- block " + std::to_string(id) + ": units, items and a level -->");
    if (w.chance(100)) w.line(1, "<refer filename=\"palette.xml\"/>");
    for (unsigned i = 0; i < 8; ++i) unit(w, id++);
    for (unsigned i = 0; i < 4; ++i) item(w, id++);
    level(w, id++);
}

void textBlock(Writer& w, unsigned& id) {
    w.line(1, "<chapter" + w.attribute("number", std::to_string(id)) + w.attribute("title", w.sentence(4)) + ">");
    if (w.chance(10)) w.line(2, "<!-- chapter " + std::to_string(id) + " -->");
    for (unsigned p = 0, n = 3 + w.below(4); p < n; ++p) {
        w.line(2, "<para>");
        for (unsigned l = 0, lines = 3 + w.below(8); l < lines; ++l) w.line(3, w.sentence(10 + w.below(6)));
        w.line(2, "</para>");
    }
    w.line(2, "<note" + w.attribute("color", w.colour()) + ">" + w.sentence(6) + "</note>");
    if (w.chance(50)) w.line(2, "<refer filename=\"common.xml\" path=\"sounds\"/>");
    w.line(1, "</chapter>");
    ++id;
}

void attributeBlock(Writer& w, unsigned& id) {
    w.line(1, "<row" + w.attribute("index", std::to_string(id)) + ">");
    for (unsigned t = 0; t < 16; ++t)
        w.line(2, "<tile" + w.attribute("id", "t" + std::to_string(id) + "_" + std::to_string(t)) +
                      w.attribute("x", w.number()) + w.attribute("y", w.number()) + w.attribute("z", w.number()) +
                      w.attribute("pos", w.vector3()) + w.attribute("color", w.colour()) +
                      w.attribute("count", w.integer()) + w.attribute("height", w.number()) +
                      w.attribute("slope", w.number()) + w.attribute("terrain", w.pick(kTerrains)) +
                      w.attribute("walkable", w.chance(4) ? "false" : "true") + w.attribute("cost", w.integer()) +
                      w.attribute("light", w.colour()) + w.attribute("normal", w.vector3()) +
                      w.attribute("label", w.sentence(3)) + "/>");
    if (w.chance(30)) w.line(2, "<refer filename=\"palette.xml\"/>");
    w.line(1, "</row>");
    ++id;
}

}  // namespace

const std::vector<Referenced>& referencedDocuments() {
    static const std::vector<Referenced> documents = {
        {"common.xml", std::string(kBom) +
                           "<common>\n"
                           "\t<effects>\n"
                           "\t\t<effect name=\"smoke\" duration=\"2.5\" tint=\"0.5,0.5,0.5\"/>\n"
                           "\t\t<effect name=\"sparks\" duration=\"0.25\" tint=\"#FFD700\"/>\n"
                           "\t\t<effect name=\"Glühen\" duration=\"1\" tint=\"orange\">\n"
                           "\t\t\t<sound file=\"sounds/glow.wav\"/>\n"
                           "\t\t</effect>\n"
                           "\t</effects>\n"
                           "\t<sounds>\n"
                           "\t\t<sound file=\"sounds/step.wav\" volume=\"0.8\"/>\n"
                           "\t\t<sound file=\"sounds/page.wav\" volume=\"1\">Seite</sound>\n"
                           "\t</sounds>\n"
                           "</common>\n"},
        {"palette.xml", std::string(kBom) +
                            "<palette>\n"
                            "\t<!-- team colours -->\n"
                            "\t<swatch team=\"1\" rgb=\"#3060C0\"/>\n"
                            "\t<swatch team=\"2\" rgb=\"#C03030\"/>\n"
                            "\t<swatch team=\"3\" rgb=\"0.2,0.7,0.3\"/>\n"
                            "\t<swatch team=\"neutral\" rgb=\"gray\">\n"
                            "\t\t<label>Neutral</label>\n"
                            "\t</swatch>\n"
                            "</palette>\n"},
    };
    return documents;
}

std::string generate(Shape shape, std::size_t targetBytes, std::uint32_t seed) {
    // One word in so many is a foreign one, for about 1 % non-ASCII characters in every shape.
    const std::uint32_t foreignOneIn = shape == Shape::Mixed ? 2 : shape == Shape::TextHeavy ? 30 : 1;
    Writer w(seed, foreignOneIn);
    const char* root = shape == Shape::Mixed ? "gamedata" : shape == Shape::TextHeavy ? "book" : "map";
    w.out = kBom;
    w.out += std::string("<") + root + w.attribute("version", "3") + w.attribute("seed", std::to_string(seed)) + ">\n";
    w.line(1, "<!-- generated: the same seed gives the same document -->");
    w.line(1, "<refer filename=\"palette.xml\"/>");
    const std::string end = std::string("</") + root + ">\n";
    unsigned id = 0;
    // Blocks are a few kilobytes at most; stop at the first one that would pass the target.
    while (w.out.size() + end.size() < targetBytes) {
        Writer block(w.random(), foreignOneIn);
        switch (shape) {
        case Shape::Mixed: mixedBlock(block, id); break;
        case Shape::TextHeavy: textBlock(block, id); break;
        case Shape::AttributeHeavy: attributeBlock(block, id); break;
        }
        if (w.out.size() + block.out.size() + end.size() > targetBytes && id > 1) break;
        w.out += block.out;
    }
    w.out += end;
    return std::move(w.out);
}

double nonAsciiShare(const std::string& utf8) {
    std::size_t characters = 0;
    std::size_t nonAscii = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) == 0x80) continue;  // continuation
        ++characters;
        nonAscii += byte >= 0x80;
    }
    return characters ? static_cast<double>(nonAscii) / static_cast<double>(characters) : 0.0;
}

}  // namespace corpus
