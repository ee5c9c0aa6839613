#pragma once

#include <utf8cpp/utf8.h>

#include "xml/errors.h"

// The failures a document may end in: a parse or load error, and the one known way an error
// message cannot be built (it quotes a lone surrogate, which is not valid UTF-16). Anything
// else leaves the fuzz target and is reported as a finding.
#define FUZZ_ORDERLY_FAILURES            \
    catch (const gen_exception&) {       \
    }                                    \
    catch (const utf8::invalid_utf16&) { \
    }
