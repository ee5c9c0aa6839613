#pragma once

// The reader's states. Private to the reader's implementation: include only from reader.cpp.

#include "xml/reader/reader.h"

namespace xml {

template <typename It>
class CXmlReader<It>::CState {
public:
    virtual ~CState() = default;
    // Called on a state each time the reader leaves it, and when the reader is destroyed.
    virtual void release() {}
    virtual bool next(CXmlReader& reader) = 0;
    virtual bool nextAttribute(CXmlReader& reader, WideString& name, WideString& value,
                               bool* newlineBefore) = 0;
};

// Right after "<" at the start of a document without a declaration: the root's name is due.
template <typename It>
template <class Enc>
class CXmlReader<It>::CStateToElement final : public CState {
public:
    static CStateToElement instance;

    bool next(CXmlReader& r) override {
        r.template readTokenName<Enc>();
        r.checkNotEnd();
        r.tokenType = TokenType::ElementStart;
        r.tokenPos = SourcePos{};  // the "<" is necessarily the document's first character
        r.setState(&CStateElement<Enc>::instance);
        return true;
    }
    bool nextAttribute(CXmlReader&, WideString&, WideString&, bool*) override { return false; }
};

// Inside a start tag, after the element's name.
template <typename It>
template <class Enc>
class CXmlReader<It>::CStateElement final : public CState {
public:
    static CStateElement instance;

    // Finishes the start tag; attributes not asked for are read, checked and dropped.
    bool next(CXmlReader& r) override {
        for (;;) {
            r.template skipSpace<Enc>();
            SourcePos saved = r.pos;
            const WideChar c = r.template readChar<Enc>();
            if (c == '>') {
                r.setState(&CStateContent<Enc>::instance);
                return CStateContent<Enc>::instance.next(r);
            }
            if (c == '/') {
                saved = r.pos;
                const WideChar c2 = r.template readChar<Enc>();
                if (c2 != '>') detail::failFound(detail::kExpectedGreater, c2, saved);
                r.tokenType = TokenType::ElementEnd;  // text still holds the element's name
                r.setState(&CStateContent<Enc>::instance);
                return true;
            }
            r.pushBack(c, saved);
            WideString name, value;
            r.template readAttribute<Enc>(name, value);
            r.checkNotEnd();
        }
    }

    bool nextAttribute(CXmlReader& r, WideString& name, WideString& value,
                       bool* newlineBefore) override {
        const bool lineBreak = r.template skipSpace<Enc>();
        if (newlineBefore) *newlineBefore = lineBreak;
        const SourcePos saved = r.pos;
        if (r.pending == 0 && r.cur != r.end) {  // what skipSpace left unread is plain ASCII
            const auto next = static_cast<unsigned char>(*r.cur);
            if (next == '>' || next == '/') return false;
        } else {
            const WideChar c = r.template readChar<Enc>();
            r.pushBack(c, saved);
            if (c == '>' || c == '/') return false;
        }
        if (r.readPlainAttribute(name, value)) return true;
        r.template readAttribute<Enc>(name, value);
        r.checkNotEnd();
        return true;
    }
};

// Between tags: text, comments, end tags and the next start tag.
template <typename It>
template <class Enc>
class CXmlReader<It>::CStateContent final : public CState {
public:
    static CStateContent instance;

    bool next(CXmlReader& r) override { return r.template readContentToken<Enc>(); }
    bool nextAttribute(CXmlReader&, WideString&, WideString&, bool*) override { return false; }
};

// The input is exhausted.
template <typename It>
class CXmlReader<It>::CStateEnd final : public CState {
public:
    static CStateEnd instance;

    bool next(CXmlReader&) override { return false; }
    bool nextAttribute(CXmlReader&, WideString&, WideString&, bool*) override { return false; }
};

// One immutable instance of each state per instantiation, shared by every reader.
template <typename It>
template <class Enc>
typename CXmlReader<It>::template CStateToElement<Enc> CXmlReader<It>::CStateToElement<Enc>::instance;
template <typename It>
template <class Enc>
typename CXmlReader<It>::template CStateElement<Enc> CXmlReader<It>::CStateElement<Enc>::instance;
template <typename It>
template <class Enc>
typename CXmlReader<It>::template CStateContent<Enc> CXmlReader<It>::CStateContent<Enc>::instance;
template <typename It>
typename CXmlReader<It>::CStateEnd CXmlReader<It>::CStateEnd::instance;

}  // namespace xml
