// The resolver and the expansion of "refer" elements, over folder trees in a temporary folder.

#include "xml/resolver.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "boundary/csafe_string.h"
#include "support/small_stack.h"
#include "support/temp_folder.h"
#include "support/trace.h"
#include "support/wide.h"

namespace {

// A node of a module's own, over one of this library's: the name, text, attributes and children
// read through the interface; every value slot refuses.
class ForeignNode final : public IXmlReaderNode {
public:
    explicit ForeignNode(IXmlReaderNode& inner) : inner(inner) {
        for (std::uint32_t i = 0; i < inner.getChildCount(); ++i)
            children.push_back(std::make_unique<ForeignNode>(*inner.getChild(static_cast<std::int32_t>(i))));
    }
    void* queryInterface(std::uint32_t) override { return nullptr; }
    void* destroy(unsigned int) override { return nullptr; }
    void getName(ISafeStringW* out) override { inner.getName(out); }
    const WideChar* getText() override { return inner.getText(); }
    std::uint32_t getChildCount() override { return static_cast<std::uint32_t>(children.size()); }
    IXmlReaderNode* getChild(std::int32_t index) override { return children.at(static_cast<std::size_t>(index)).get(); }
    std::uint32_t getAttributeCount() override { return inner.getAttributeCount(); }
    void getAttributeName(std::int32_t index, ISafeStringW* out) override { inner.getAttributeName(index, out); }
    bool getAttributeString(std::int32_t index, ISafeStringW* out) override { return inner.getAttributeString(index, out); }
    std::int32_t findChildIndex(const WideChar* name, std::int32_t after, bool caseSensitive) override {
        return inner.findChildIndex(name, after, caseSensitive);
    }
    bool isName(const WideChar*) override { return false; }
    std::uint32_t countChildren(const WideChar*) override { return 0; }
    IXmlReaderNode* findChild(const WideChar*, bool) override { return nullptr; }
    const WideChar* getChildText(const WideChar*) override { return nullptr; }
    std::int32_t findAttribute(const WideChar*, bool) override { return -1; }
#define REFUSED(Word, Type)                                                      \
    bool getChild##Word(const WideChar*, Type*) override { return false; }       \
    bool get##Word(Type*) override { return false; }                             \
    bool getAttribute##Word(std::int32_t, Type*) override { return false; }
    REFUSED(UInt64, std::uint64_t) REFUSED(Color, Color) REFUSED(UnitVector4, UnitVector4)
    REFUSED(Vector3, Vector3) REFUSED(Vector2, Vector2) REFUSED(Float, float) REFUSED(ULong, std::uint32_t)
    REFUSED(Long, std::int32_t) REFUSED(Bool, bool) REFUSED(StringA, ISafeStringA)
#undef REFUSED

private:
    IXmlReaderNode& inner;
    std::vector<std::unique_ptr<ForeignNode>> children;
};

// A module's own resolver: documents parsed by this library, handed out as foreign nodes.
class ForeignResolver final : public IXmlResolver {
public:
    explicit ForeignResolver(const std::string& document) : parsed(document.c_str(), nullptr, nullptr), root(*parsed.getRoot()) {}
    void* queryInterface(std::uint32_t) override { return nullptr; }
    void* destroy(unsigned int) override { return nullptr; }
    IXmlData* open(const WideChar*, const WideChar*, ISafeStringW*) override { return &data; }
    void release() override {}

private:
    struct Data final : IXmlData, IXmlReader {
        explicit Data(ForeignNode& root) : root(root) {}
        void* queryInterface(std::uint32_t) override { return nullptr; }
        void* destroy(unsigned int) override { return nullptr; }
        void release() override {}
        IXmlReader* getReader() override { return this; }
        IXmlReaderNode* getRoot() override { return &root; }
        ForeignNode& root;
    };
    CXmlParser parsed;
    ForeignNode root;
    Data data{root};
};

class Resolver : public ::testing::Test {
protected:
    // The result of open(): the document's nodes, or "!" and the failure text.
    std::string open(CStdXmlResolver2& resolver, const char* name, const WideChar* folder = nullptr) {
        WideString failure = W("untouched");
        CSafeStringW error(failure);
        IXmlResolver::IXmlData* data = resolver.open(W(name).c_str(), folder, &error);
        if (!data) return "!" + xml::toUtf8(failure);
        std::string result = trace::nodes(*data->getReader()->getRoot());
        data->release();
        return result;
    }

    // A document loaded with a resolver rooted at `primary` (trace::load: both ways, compared).
    std::string parse(const std::string& text, const char* primary = "", const WideChar* name = nullptr) {
        CStdXmlResolver2 resolver(folder.path(primary).c_str(), nullptr);
        return trace::load(text, &resolver, name);
    }

    std::string where(const char* relative) { return slashed(folder.path(relative)); }

    TempFolder folder;
};

TEST_F(Resolver, SearchesThePrimaryThenTheSecondaryFolder) {
    folder.write("p/both.xml", "<r>primary</r>");
    folder.write("s/both.xml", "<r>secondary</r>");
    folder.write("s/second.xml", "<r>only secondary</r>");
    folder.write("p/bad.xml", "<r>");
    folder.write("s/bad.xml", "<r/>");
    folder.write("x/both.xml", "<r>argument</r>");
    folder.write("s/p.xml/inner.xml", "<r/>");
    CStdXmlResolver2 both(folder.path("p").c_str(), folder.path("s").c_str());
    CStdXmlResolver2 primaryOnly(folder.path("p").c_str(), nullptr);
    EXPECT_EQ(open(both, "both.xml"), "<r \"primary\"/>");
    EXPECT_EQ(open(both, "both.xml", folder.path("x").c_str()), "<r \"argument\"/>");
    EXPECT_EQ(open(both, "second.xml"), "<r \"only secondary\"/>");
    EXPECT_EQ(open(both, "\\/second.xml"), "<r \"only secondary\"/>");
    EXPECT_EQ(open(both, "../p/both.xml", folder.path("s").c_str()), "<r \"primary\"/>");
    EXPECT_EQ(open(both, "none.xml"), "!can't open file \"" + where("s/none.xml") + "\"");
    EXPECT_EQ(open(primaryOnly, "none.xml"), "!can't open file \"" + where("p/none.xml") + "\"");
    EXPECT_EQ(open(both, "p.xml"), "!can't open file \"" + where("s/p.xml") + "\"");  // a folder there
    // A malformed document is not looked for elsewhere.
    EXPECT_EQ(open(both, "bad.xml"), "!no ending tag found for element at row: 1, column: 1 at row: 1, column: 1");
}

TEST_F(Resolver, InterfacesAndNullArguments) {
    CStdXmlResolver2 resolver(folder.path().c_str(), nullptr);
    folder.write("a.xml", "<a/>");
    EXPECT_EQ(resolver.queryInterface(kXmlResolverId), &resolver);
    EXPECT_EQ(resolver.queryInterface(kXmlDataId), nullptr);
    IXmlResolver::IXmlData* data = resolver.open(W("a.xml").c_str(), nullptr, nullptr);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->queryInterface(kXmlDataId), data);
    EXPECT_EQ(data->queryInterface(kXmlReaderId), nullptr);
    data->release();
    EXPECT_EQ(resolver.open(W("none.xml").c_str(), nullptr, nullptr), nullptr);
    (new CStdXmlResolver2(nullptr, nullptr))->release();
}

TEST_F(Resolver, ReferencesBringInChildrenAndText) {
    folder.write("lib.xml", "<lib>libtext<item id='1'>one</item><group><item id='2'/></group></lib>");
    folder.write("other.xml", "<o>othertext<x/></o>");
    folder.write("sub/near.xml", "<n><refer filename='beside.xml'/></n>");
    folder.write("sub/beside.xml", "<b><x>beside</x></b>");
    folder.write("beside.xml", "<b><x>wrong</x></b>");
    const struct { const char* document; const char* nodes; } cases[] = {
        {"<a><refer filename='lib.xml'/></a>", "<a \"libtext\"> <item \"one\" id=\"1\"/> <group> <item id=\"2\"/> </group> </a>"},
        {"<a>own<b/><refer filename='lib.xml' path='group'/></a>", "<a \"own\"> <b/> <item id=\"2\"/> </a>"},
        {"<a><refer filename='lib.xml'/><refer filename='other.xml'/></a>",
         "<a \"othertext\"> <item \"one\" id=\"1\"/> <group> <item id=\"2\"/> </group> <x/> </a>"},
        {"<a><Refer filename='lib.xml'/><referx/></a>", "<a> <Refer filename=\"lib.xml\"/> <referx/> </a>"},
        {"<a><refer filename='lib.xml' path='group/item' extra='1'><ignored/></refer></a>", "<a/>"},
        {"<a><refer filename='lib.xml' path='/group\\\\item//'/><z/></a>", "<a> <z/> </a>"},
        {"<a><refer filename='other.xml' path='x'/></a>", "<a/>"},
        // Copies take each reference's place, also between references of nested elements.
        {"<a><refer filename='lib.xml' path='group'/><b><refer filename='other.xml'/>bt</b><refer filename='other.xml'/></a>",
         "<a \"othertext\"> <item id=\"2\"/> <b \"othertext\"> <x/> </b> <x/> </a>"},
        // A root named "refer" is an element like any other; a reference inside a reference is not read.
        {"<refer filename='lib.xml'><refer filename='lib.xml' path='group'><refer filename='other.xml'/></refer></refer>",
         "<refer filename=\"lib.xml\"> <item id=\"2\"/> </refer>"},
        // A referenced document's own references are found beside it.
        {"<a><refer filename='sub/near.xml'/></a>", "<a> <x \"beside\"/> </a>"},
    };
    for (const auto& c : cases) EXPECT_EQ(parse(c.document), c.nodes) << c.document;
}

TEST_F(Resolver, ReferenceErrorsNameWhereTheyStand) {
    folder.write("lib.xml", "<lib><group/></lib>");
    folder.write("outer.xml", "<o>\n  <refer filename='missing.xml'/></o>");
    const std::string missing = where("missing.xml");
    EXPECT_EQ(parse("<a>\n <refer path='x'/></a>", "", W("top.xml").c_str()),
              "!filename was not found in reference in \"top.xml\" at row: 2, column: 2");
    EXPECT_EQ(parse("<a><refer filename='missing.xml'/></a>"),
              "!can't resolve reference in \"<source>\" at row: 1, column: 4, reason:\ncan't open file \"" + missing + "\"");
    EXPECT_EQ(parse("<a><refer filename='lib.xml' path='group/none'/></a>"),
              "!can't resolve reference in \"<source>\" at row: 1, column: 4, because node 'none' was not found");
    EXPECT_EQ(parse("<a><refer filename='outer.xml'/></a>"),
              "!can't resolve reference in \"<source>\" at row: 1, column: 4, reason:\n"
              "can't resolve reference in \"" + where("outer.xml") + "\" at row: 2, column: 3, reason:\n"
              "can't open file \"" + missing + "\"");
    // References are expanded once the whole document is read: a syntax error after one wins.
    EXPECT_EQ(parse("<a><refer filename='missing.xml'/>\n<b></a>"),
              "!invalid ending tag found for element at row: 2, column: 1 at row: 2, column: 4");
    EXPECT_EQ(trace::load("<a><refer filename='lib.xml'/></a>", nullptr, W("n.xml").c_str()),
              "!can't resolve reference in \"n.xml\" at row: 1, column: 4 because no resolver was specified");
    EXPECT_EQ(trace::load("<a><refer/></a>", nullptr, W("n.xml").c_str()),
              "!filename was not found in reference in \"n.xml\" at row: 1, column: 4");
    EXPECT_THROW(CXmlParser("<a><refer filename='lib.xml'/></a>", nullptr, nullptr), CXmlParser::InitError);
}

TEST_F(Resolver, ResolversOfTheModulesOwnAreReadThroughTheInterface) {
    ForeignResolver resolver("<lib>libtext<item id='1'>one</item><group><item id='2'/></group></lib>");
    const struct { const char* document; const char* nodes; } cases[] = {
        {"<a><refer filename='x'/></a>", "<a \"libtext\"> <item \"one\" id=\"1\"/> <group> <item id=\"2\"/> </group> </a>"},
        {"<a>own<refer filename='x' path='group'/></a>", "<a \"own\"> <item id=\"2\"/> </a>"},
    };
    for (const auto& c : cases) EXPECT_EQ(trace::load(c.document, &resolver), c.nodes) << c.document;
}

TEST_F(Resolver, CyclesAndDepthFailInsteadOfRecursing) {
    folder.write("self.xml", "<s><refer filename='./self.xml'/></s>");
    folder.write("a.xml", "<a><refer filename='b.xml'/></a>");
    folder.write("b.xml", "<b><refer filename='c.xml'/></b>");
    folder.write("c.xml", "<c><refer filename='sub/../a.xml'/></c>");
    const std::string at = "\" at row: 1, column: 4, reason:\n";
    EXPECT_EQ(parse("<t><refer filename='self.xml'/></t>"),
              "!can't resolve reference in \"<source>" + at + "can't resolve reference in \"" + where("self.xml") + at +
                  "circular reference to \"" + where("./self.xml") + "\"");  // the same file by another path
    EXPECT_EQ(parse("<t><refer filename='a.xml'/></t>"),
              "!can't resolve reference in \"<source>" + at + "can't resolve reference in \"" + where("a.xml") + at +
                  "can't resolve reference in \"" + where("b.xml") + at + "can't resolve reference in \"" +
                  where("c.xml") + at + "circular reference to \"" + where("a.xml") + "\"");  // sub/.. collapsed

    for (int level = 1; level <= 9; ++level)
        folder.write("d" + std::to_string(level) + ".xml",
                     "<d><refer filename='d" + std::to_string(level + 1) + ".xml'/></d>");
    folder.write("d9.xml", "<d>nine</d>");
    EXPECT_EQ(parse("<t><refer filename='d2.xml'/></t>"), "<t \"nine\"/>");  // eight documents deep
    // Each file is parsed once per load, yet a document met again deeper down fails as a fresh
    // parse would: d2 fits at the first level, not at the second.
    folder.write("e.xml", "<e><refer filename='d2.xml'/></e>");
    folder.write("g.xml", "<g><refer filename='d3.xml'/></g>");
    EXPECT_EQ(parse("<t><refer filename='d2.xml'/><refer filename='g.xml'/></t>"), "<t \"nine\"/>");
    for (const char* top : {"<t><refer filename='d1.xml'/></t>", "<t><refer filename='d2.xml'/><refer filename='e.xml'/></t>"}) {
        const std::string tooDeep = parse(top);
        EXPECT_EQ(tooDeep.substr(tooDeep.rfind('\n') + 1), "reference nesting too deep") << top;
    }
}

// Each level refers to the next ten times: the copies grow tenfold a level. A million copies load
// whatever they cost; beyond, the load stops when copies outnumber parsed nodes a hundredfold.
// (Kept out of the memcheck run: it builds a million nodes.)
TEST_F(Resolver, ReferenceExpansionIsBoundedPerLoad) {
    std::string leaf = "<r>";
    for (int i = 0; i < 1000; ++i) leaf += "<x/>";
    folder.write("leaf.xml", leaf + "</r>");  // 1000 nodes copied by each reference
    std::string wide = "<w>";
    for (int i = 0; i < 1000; ++i) wide += "<refer filename='leaf.xml'/>";
    const auto tenTimes = [](const std::string& next) {
        std::string document = "<f>";
        for (int i = 0; i < 10; ++i) document += "\n<refer filename='" + next + "'/>";
        return document + "</f>";
    };
    for (int level = 2; level <= 8; ++level)
        folder.write("f" + std::to_string(level) + ".xml", tenTimes("f" + std::to_string(level + 1) + ".xml"));
    folder.write("f9.xml", "<f><x/></f>");  // nine files with the top one: 10^8 copies

    CStdXmlResolver2 resolver(folder.path().c_str(), nullptr);
    // Exactly a million copies, of 2002 parsed nodes: the threshold alone lets them in.
    CXmlParser aMillion((wide + "</w>").c_str(), &resolver, nullptr);
    EXPECT_EQ(aMillion.getRoot()->getChildCount(), 1000000u);
    // Beyond, copies load while they are at most a hundred times the nodes parsed before them:
    // 1,500,000 copies after more than 15,000.
    std::string many = "<w>";
    for (int i = 0; i < 14000; ++i) many += "<y/>";
    for (int i = 0; i < 1500; ++i) many += "<refer filename='leaf.xml'/>";
    CXmlParser beyondAMillion((many + "</w>").c_str(), &resolver, nullptr);
    EXPECT_EQ(beyondAMillion.getRoot()->getChildCount(), 1514000u);
    // f3's ninth reference makes the millionth copy: each brings in the 10^5 nodes below f4's root.
    EXPECT_EQ(parse(tenTimes("f2.xml")),
              "!can't resolve reference in \"<source>\" at row: 2, column: 1, reason:\n"
              "can't resolve reference in \"" + where("f2.xml") + "\" at row: 2, column: 1, reason:\n"
              "reference expansion too large in \"" + where("f3.xml") + "\" at row: 10, column: 1");
}

// The deepest load the bounds allow: eight referenced documents, each grafted at the deepest
// level of the one before, about 9000 levels in all, built and destroyed on 1 MiB of stack.
TEST_F(Resolver, DeepestLoadFitsOnOneMebibyteOfStack) {
    const auto nested = [](const std::string& innermost) {
        std::string document = "<r>";
        for (int i = 0; i < 998; ++i) document += "<a>";
        document += innermost;
        for (int i = 0; i < 998; ++i) document += "</a>";
        return document + "</r>";
    };
    for (int level = 1; level <= 8; ++level)
        folder.write("deep" + std::to_string(level) + ".xml",
                     nested(level < 8 ? "<refer filename='deep" + std::to_string(level + 1) + ".xml'/>" : "bottom"));
    const std::string top = nested("<refer filename='deep1.xml'/>");
    runOnStack(1 << 20, [&] {
        CStdXmlResolver2 resolver(folder.path().c_str(), nullptr);
        auto parser = std::make_unique<CXmlParser>(top.c_str(), &resolver, nullptr);
        int depth = 1;
        IXmlReaderNode* node = parser->getRoot();
        while (node->getChildCount() == 1) {
            node = node->getChild(0);
            ++depth;
        }
        EXPECT_EQ(depth, 1 + 9 * 998);
        EXPECT_EQ(WideString(node->getText()), W("bottom"));
        parser.reset();
    });
}

}  // namespace
