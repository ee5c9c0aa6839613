#pragma once

#include <stdint.h>

#include "boundary/xml_reader.h"
#include "line_writer.h"
#include "received_string.h"

// Walks a document node by node through every slot of IXmlReaderNode except the destructor's,
// and writes one line per call: the slot, its arguments and what came back. The MSVC-ABI module
// runs it over the host's nodes, the tests run it over the library's own nodes, and the two
// outputs must be the same bytes: a slot, an argument or a result that the two compilers see
// differently shows up as a different line.
//
// Every result is written as a value, never as an address (nodes as "self", "node", "child N" or
// "null"). Out-parameters start as 0xA5 bytes, so that one left untouched shows as such. Lookups
// run with the names the document itself uses, with those names in the other case, and with
// names that exist nowhere; indexes run over every valid one and -1, count and count + 5.
template <class Sink>
class NodeWalk {
public:
    explicit NodeWalk(Sink& sink) : out(sink) {}

    void walk(IXmlReaderNode* root) { visit(root, nullptr); }

private:
    static constexpr bool kBothCases[] = {true, false};

    struct Path {
        const Path* parent;
        uint32_t index;
    };

    void visit(IXmlReaderNode* node, const Path* path) {
        out.text("node ");
        writePath(path);
        out.endLine();
        queries(node);
        ReceivedW name;
        node->getName(&name);
        out.text("2 getName -> ");
        show(name);
        out.endLine();
        nameChecks(node, name);
        out.text("30 getText -> ").quotedOrNull(node->getText()).endLine();
        ownValues(node);
        const uint32_t count = node->getChildCount();
        out.text("5 getChildCount -> ").number(count).endLine();
        children(node, count);
        attributes(node);
        for (uint32_t index = 0; index < count; ++index) {
            const Path step{path, index};
            if (IXmlReaderNode* child = node->getChild(static_cast<int32_t>(index))) visit(child, &step);
        }
    }

    void writePath(const Path* path) {
        if (!path) {
            out.text("root");
            return;
        }
        writePath(path->parent);
        out.text("/").number(path->index);
    }

    void queries(IXmlReaderNode* node) {
        query(node, "node", kXmlReaderNodeId);
        query(node, "reader", kXmlReaderId);
        query(node, "safe string", kSafeStringWId);
    }

    void query(IXmlReaderNode* node, const char* what, uint32_t id) {
        void* answer = node->queryInterface(id);
        out.text("0 queryInterface(").text(what).text(") -> ");
        out.text(!answer ? "null" : answer == static_cast<void*>(node) ? "self" : "other").endLine();
    }

    void nameChecks(IXmlReaderNode* node, const ReceivedW& name) {
        ReceivedW other;
        isName(node, name);
        other.assign(name.chars(), name.length());
        other.swapCase();
        isName(node, other);
        isName(node, spell(other, ""));
        isName(node, spell(other, "NoSuchName"));
    }

    void isName(IXmlReaderNode* node, const ReceivedW& name) {
        const bool answer = node->isName(name.chars());
        out.text("3 isName(");
        nameArgument(name).text(") -> ").text(answer ? "true" : "false").endLine();
    }

    void ownValues(IXmlReaderNode* node) {
        own<uint64_t>(node, "10 getUInt64", &IXmlReaderNode::getUInt64);
        own<Color>(node, "12 getColor", &IXmlReaderNode::getColor);
        own<UnitVector4>(node, "14 getUnitVector4", &IXmlReaderNode::getUnitVector4);
        own<Vector3>(node, "16 getVector3", &IXmlReaderNode::getVector3);
        own<Vector2>(node, "18 getVector2", &IXmlReaderNode::getVector2);
        own<float>(node, "20 getFloat", &IXmlReaderNode::getFloat);
        own<uint32_t>(node, "22 getULong", &IXmlReaderNode::getULong);
        own<int32_t>(node, "24 getLong", &IXmlReaderNode::getLong);
        own<bool>(node, "26 getBool", &IXmlReaderNode::getBool);
        own<ReceivedA>(node, "28 getStringA", &IXmlReaderNode::getStringA);
    }

    void children(IXmlReaderNode* node, uint32_t count) {
        const int32_t outside[] = {-1, static_cast<int32_t>(count), static_cast<int32_t>(count + 5)};
        for (int32_t index : outside) childAt(node, index);
        ReceivedW name;
        for (uint32_t index = 0; index < count; ++index) {
            IXmlReaderNode* child = childAt(node, static_cast<int32_t>(index));
            name.forget();
            if (child) child->getName(&name);
            probe(node, count, name);
            name.swapCase();
            probe(node, count, name);
        }
        probe(node, count, spell(name, "NoSuchChild"));
        probe(node, count, spell(name, ""));
    }

    IXmlReaderNode* childAt(IXmlReaderNode* node, int32_t index) {
        IXmlReaderNode* child = node->getChild(index);
        out.text("6 getChild(").number(index).text(") -> ").text(child ? "node" : "null").endLine();
        return child;
    }

    // Every lookup of a child by name.
    void probe(IXmlReaderNode* node, uint32_t count, const ReceivedW& name) {
        out.text("4 countChildren(");
        nameArgument(name).text(") -> ").number(node->countChildren(name.chars())).endLine();
        for (bool caseSensitive : kBothCases) {
            // Follows the matches one after the other, as a caller listing them would.
            int32_t after = -1;
            for (uint32_t step = 0; step <= count; ++step) {
                const int32_t found = findChildIndex(node, name, after, caseSensitive);
                if (found <= after) break;
                after = found;
            }
            findChildIndex(node, name, static_cast<int32_t>(count), caseSensitive);
            findChildIndex(node, name, static_cast<int32_t>(count + 5), caseSensitive);
            IXmlReaderNode* found = node->findChild(name.chars(), caseSensitive);
            out.text("8 findChild(");
            nameArgument(name).text(caseSensitive ? ", true) -> " : ", false) -> ");
            identify(node, count, found);
        }
        child<uint64_t>(node, "9 getChildUInt64", &IXmlReaderNode::getChildUInt64, name);
        child<Color>(node, "11 getChildColor", &IXmlReaderNode::getChildColor, name);
        child<UnitVector4>(node, "13 getChildUnitVector4", &IXmlReaderNode::getChildUnitVector4, name);
        child<Vector3>(node, "15 getChildVector3", &IXmlReaderNode::getChildVector3, name);
        child<Vector2>(node, "17 getChildVector2", &IXmlReaderNode::getChildVector2, name);
        child<float>(node, "19 getChildFloat", &IXmlReaderNode::getChildFloat, name);
        child<uint32_t>(node, "21 getChildULong", &IXmlReaderNode::getChildULong, name);
        child<int32_t>(node, "23 getChildLong", &IXmlReaderNode::getChildLong, name);
        child<bool>(node, "25 getChildBool", &IXmlReaderNode::getChildBool, name);
        child<ReceivedA>(node, "27 getChildStringA", &IXmlReaderNode::getChildStringA, name);
        const WideChar* text = node->getChildText(name.chars());
        out.text("29 getChildText(");
        nameArgument(name).text(") -> ").quotedOrNull(text).endLine();
    }

    int32_t findChildIndex(IXmlReaderNode* node, const ReceivedW& name, int32_t after, bool caseSensitive) {
        const int32_t found = node->findChildIndex(name.chars(), after, caseSensitive);
        out.text("7 findChildIndex(");
        nameArgument(name).text(", ").number(after).text(caseSensitive ? ", true) -> " : ", false) -> ");
        out.number(found).endLine();
        return found;
    }

    // Which child `found` is, by comparing it with every child in turn.
    void identify(IXmlReaderNode* node, uint32_t count, IXmlReaderNode* found) {
        if (!found) {
            out.text("null").endLine();
            return;
        }
        for (uint32_t index = 0; index < count; ++index) {
            if (node->getChild(static_cast<int32_t>(index)) == found) {
                out.text("child ").number(index).endLine();
                return;
            }
        }
        out.text("other").endLine();
    }

    void attributes(IXmlReaderNode* node) {
        const uint32_t count = node->getAttributeCount();
        out.text("31 getAttributeCount -> ").number(count).endLine();
        attributeAt(node, -1);
        for (uint32_t index = 0; index < count; ++index) attributeAt(node, static_cast<int32_t>(index));
        attributeAt(node, static_cast<int32_t>(count));
        attributeAt(node, static_cast<int32_t>(count + 5));
        ReceivedW name;
        for (uint32_t index = 0; index < count; ++index) {
            name.forget();
            node->getAttributeName(static_cast<int32_t>(index), &name);
            findAttribute(node, name);
            name.swapCase();
            findAttribute(node, name);
        }
        findAttribute(node, spell(name, "NoSuchAttribute"));
        findAttribute(node, spell(name, ""));
    }

    void attributeAt(IXmlReaderNode* node, int32_t index) {
        ReceivedW name;
        node->getAttributeName(index, &name);
        out.text("32 getAttributeName(").number(index).text(") -> ");
        show(name);
        out.endLine();
        attribute<uint64_t>(node, "34 getAttributeUInt64", &IXmlReaderNode::getAttributeUInt64, index);
        attribute<Color>(node, "35 getAttributeColor", &IXmlReaderNode::getAttributeColor, index);
        attribute<UnitVector4>(node, "36 getAttributeUnitVector4", &IXmlReaderNode::getAttributeUnitVector4, index);
        attribute<Vector3>(node, "37 getAttributeVector3", &IXmlReaderNode::getAttributeVector3, index);
        attribute<Vector2>(node, "38 getAttributeVector2", &IXmlReaderNode::getAttributeVector2, index);
        attribute<float>(node, "39 getAttributeFloat", &IXmlReaderNode::getAttributeFloat, index);
        attribute<uint32_t>(node, "40 getAttributeULong", &IXmlReaderNode::getAttributeULong, index);
        attribute<int32_t>(node, "41 getAttributeLong", &IXmlReaderNode::getAttributeLong, index);
        attribute<bool>(node, "42 getAttributeBool", &IXmlReaderNode::getAttributeBool, index);
        attribute<ReceivedA>(node, "43 getAttributeStringA", &IXmlReaderNode::getAttributeStringA, index);
        attribute<ReceivedW>(node, "44 getAttributeString", &IXmlReaderNode::getAttributeString, index);
    }

    void findAttribute(IXmlReaderNode* node, const ReceivedW& name) {
        for (bool caseSensitive : kBothCases) {
            const int32_t found = node->findAttribute(name.chars(), caseSensitive);
            out.text("33 findAttribute(");
            nameArgument(name).text(caseSensitive ? ", true) -> " : ", false) -> ").number(found).endLine();
        }
    }

    template <class Value, class Get>
    void own(IXmlReaderNode* node, const char* slot, Get get) {
        Value value{};
        prepare(value);
        const bool converted = (node->*get)(&value);
        out.text(slot);
        outcome(converted, value);
    }

    template <class Value, class Get>
    void child(IXmlReaderNode* node, const char* slot, Get get, const ReceivedW& name) {
        Value value{};
        prepare(value);
        const bool converted = (node->*get)(name.chars(), &value);
        out.text(slot).text("(");
        nameArgument(name).text(")");
        outcome(converted, value);
    }

    template <class Value, class Get>
    void attribute(IXmlReaderNode* node, const char* slot, Get get, int32_t index) {
        Value value{};
        prepare(value);
        const bool converted = (node->*get)(index, &value);
        out.text(slot).text("(").number(index).text(")");
        outcome(converted, value);
    }

    template <class Value>
    void outcome(bool converted, const Value& value) {
        out.text(converted ? " -> true " : " -> false ");
        show(value);
        out.endLine();
    }

    template <class Value>
    static void prepare(Value& value) {
        unsigned char* bytes = reinterpret_cast<unsigned char*>(&value);
        for (uint32_t i = 0; i < sizeof value; ++i) bytes[i] = 0xA5;
    }
    static void prepare(ReceivedA&) {}
    static void prepare(ReceivedW&) {}

    void show(uint64_t value) {
        out.hex(static_cast<uint32_t>(value >> 32), 8).hex(static_cast<uint32_t>(value), 8);
    }
    void show(uint32_t value) { out.number(value); }
    void show(int32_t value) { out.number(value); }
    // The stored byte itself: anything but 0 or 1 is a bool nobody wrote.
    void show(const bool& value) {
        unsigned char byte;
        __builtin_memcpy(&byte, &value, 1);
        out.hex(byte, 2);
    }
    void show(const float& value) { words(&value, 1); }
    void show(const Color& value) { words(&value, 3); }
    void show(const UnitVector4& value) { words(&value, 4); }
    void show(const Vector3& value) { words(&value, 3); }
    void show(const Vector2& value) { words(&value, 2); }
    void show(const ReceivedA& value) {
        if (value.received()) out.quoted(value.chars(), value.length());
        else out.text("untouched");
    }
    void show(const ReceivedW& value) {
        if (value.received()) out.quoted(value.chars(), value.length());
        else out.text("untouched");
    }

    // Floats as their bit patterns, copied as integers so that no floating-point register
    // can change them.
    void words(const void* value, int count) {
        const unsigned char* bytes = static_cast<const unsigned char*>(value);
        for (int i = 0; i < count; ++i) {
            uint32_t word;
            __builtin_memcpy(&word, bytes + 4 * i, 4);
            if (i) out.text(" ");
            out.hex(word, 8);
        }
    }

    LineWriter<Sink>& nameArgument(const ReceivedW& name) { return out.quoted(name.chars(), name.length()); }

    // `target` holding `ascii` as wide characters (short names only).
    static const ReceivedW& spell(ReceivedW& target, const char* ascii) {
        WideChar units[32];
        uint32_t length = 0;
        for (; ascii[length] && length < 32; ++length) units[length] = static_cast<WideChar>(ascii[length]);
        target.assign(units, length);
        return target;
    }

    LineWriter<Sink> out;
};

template <class Sink>
void walkNodes(IXmlReaderNode* root, Sink& sink) {
    NodeWalk<Sink>(sink).walk(root);
}
