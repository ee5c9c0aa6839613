#pragma once

#include <stdint.h>

#include "boundary/base.h"
#include "boundary/safe_string.h"
#include "boundary/value_types.h"
#include "boundary/wide_char.h"

// Read access to a parsed XML document. Nodes belong to their document (IXmlReader): pointers
// obtained from a tree stay valid while the document exists; nobody destroys nodes one by one.
//
// Conventions: `name` arguments are zero-terminated; `index` arguments count from 0, and -1
// means none; no operation throws. Lookups that fail return null, -1 or false and leave `out`
// untouched. The value operations come in threes sharing one conversion: the node's own text
// (getFloat), the text of the first child with that exact name (getChildFloat; only that first
// child is tried), and an attribute (getAttributeFloat).
class IXmlReaderNode : public IBase {
public:
    virtual void getName(ISafeStringW* out) = 0;                                      // 2
    virtual bool isName(const WideChar* name) = 0;                                    // 3
    virtual uint32_t countChildren(const WideChar* name) = 0;                    // 4
    virtual uint32_t getChildCount() = 0;                                        // 5
    virtual IXmlReaderNode* getChild(int32_t index) = 0;                         // 6
    // The first matching child after position `after` (-1: from the first).
    virtual int32_t findChildIndex(const WideChar* name, int32_t after,
                                        bool caseSensitive) = 0;                      // 7
    virtual IXmlReaderNode* findChild(const WideChar* name, bool caseSensitive) = 0;  // 8
    // Unsigned 64-bit in base 36.
    virtual bool getChildUInt64(const WideChar* name, uint64_t* out) = 0;        // 9
    virtual bool getUInt64(uint64_t* out) = 0;                                   // 10
    virtual bool getChildColor(const WideChar* name, Color* out) = 0;                 // 11
    virtual bool getColor(Color* out) = 0;                                            // 12
    virtual bool getChildUnitVector4(const WideChar* name, UnitVector4* out) = 0;     // 13
    virtual bool getUnitVector4(UnitVector4* out) = 0;                                // 14
    virtual bool getChildVector3(const WideChar* name, Vector3* out) = 0;             // 15
    virtual bool getVector3(Vector3* out) = 0;                                        // 16
    virtual bool getChildVector2(const WideChar* name, Vector2* out) = 0;             // 17
    virtual bool getVector2(Vector2* out) = 0;                                        // 18
    virtual bool getChildFloat(const WideChar* name, float* out) = 0;                 // 19
    virtual bool getFloat(float* out) = 0;                                            // 20
    virtual bool getChildULong(const WideChar* name, uint32_t* out) = 0;         // 21
    virtual bool getULong(uint32_t* out) = 0;                                    // 22
    virtual bool getChildLong(const WideChar* name, int32_t* out) = 0;           // 23
    virtual bool getLong(int32_t* out) = 0;                                      // 24
    virtual bool getChildBool(const WideChar* name, bool* out) = 0;                   // 25
    virtual bool getBool(bool* out) = 0;                                              // 26
    // The text as 8-bit characters, only when every character lies from 1 to 126.
    virtual bool getChildStringA(const WideChar* name, ISafeStringA* out) = 0;        // 27
    virtual bool getStringA(ISafeStringA* out) = 0;                                   // 28
    virtual const WideChar* getChildText(const WideChar* name) = 0;                   // 29
    // Never null; empty when the node has no text.
    virtual const WideChar* getText() = 0;                                            // 30
    virtual uint32_t getAttributeCount() = 0;                                    // 31
    virtual void getAttributeName(int32_t index, ISafeStringW* out) = 0;         // 32
    virtual int32_t findAttribute(const WideChar* name, bool caseSensitive) = 0;  // 33
    virtual bool getAttributeUInt64(int32_t index, uint64_t* out) = 0;      // 34
    virtual bool getAttributeColor(int32_t index, Color* out) = 0;               // 35
    virtual bool getAttributeUnitVector4(int32_t index, UnitVector4* out) = 0;   // 36
    virtual bool getAttributeVector3(int32_t index, Vector3* out) = 0;           // 37
    virtual bool getAttributeVector2(int32_t index, Vector2* out) = 0;           // 38
    virtual bool getAttributeFloat(int32_t index, float* out) = 0;               // 39
    virtual bool getAttributeULong(int32_t index, uint32_t* out) = 0;       // 40
    virtual bool getAttributeLong(int32_t index, int32_t* out) = 0;         // 41
    virtual bool getAttributeBool(int32_t index, bool* out) = 0;                 // 42
    virtual bool getAttributeStringA(int32_t index, ISafeStringA* out) = 0;      // 43
    virtual bool getAttributeString(int32_t index, ISafeStringW* out) = 0;       // 44

protected:
    ~IXmlReaderNode() = default;
};

// A parsed document. Its owner ends it with destroy(kDestroyFree).
class IXmlReader : public IBase {
public:
    // The root node; the document keeps ownership. The same node on every call.
    virtual IXmlReaderNode* getRoot() = 0;  // 2

protected:
    ~IXmlReader() = default;
};
