#pragma once

#include "boundary/base.h"
#include "boundary/safe_string.h"
#include "boundary/wide_char.h"
#include "boundary/xml_reader.h"

// Finds and parses documents named by other documents.
class IXmlResolver : public IBase {
public:
    // A parsed document owned by the caller, who ends it with release().
    class IXmlData : public IGeneric {
    public:
        virtual IXmlReader* getReader() = 0;  // 3

    protected:
        ~IXmlData() = default;
    };

    // Finds, opens and parses `name`, looking in `folder` (when not null) instead of the
    // resolver's primary folder, then in its secondary one. Null on any failure, with the
    // reason given to `error` when it is not null. Throws nothing.
    virtual IXmlData* open(const WideChar* name, const WideChar* folder, ISafeStringW* error) = 0;  // 2
    virtual void release() = 0;                                                                    // 3

protected:
    ~IXmlResolver() = default;
};
