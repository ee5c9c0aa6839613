#include "xml/model.h"

#include <algorithm>

namespace xml {

CXmlNode::~CXmlNode() = default;

CXmlNodeElement::CXmlNodeElement(WideString name) : name(std::move(name)) {}

CXmlNodeElement::CXmlNodeElement(const CXmlNodeElement& other)
    : CXmlNode(), name(other.name), attributes(other.attributes) {
    children.reserve(other.children.size());
    for (const CXmlNode& child : other.children) children.push_back(child.clone());
}

CXmlNodeElement* CXmlNodeElement::clone() const { return new CXmlNodeElement(*this); }

void CXmlNodeElement::addChild(CXmlNode* child) {
    children.push_back(child);
    child->parent = this;
}

const WideString* CXmlNodeElement::findAttributeValue(WideStringView attributeName) const {
    auto found = std::find_if(attributes.begin(), attributes.end(),
                              [&](const CXmlAttribute& a) { return a.name == attributeName; });
    return found == attributes.end() ? nullptr : &found->value;
}

bool CXmlNodeElement::hasAttribute(WideStringView attributeName) const {
    return findAttributeValue(attributeName) != nullptr;
}

}  // namespace xml
