#pragma once

#include <windows.h>
#include <dbghelp.h>

// The lines of the report that show variables: one per symbol, aggregates with a line per
// member. A value that cannot be read turns the line into "punting on symbol <name>".
namespace crash {

// SymEnumSymbols callback; `frame` is the FrameRegisters (machine.h) of a call-stack pass, or
// null for the global pass. Always goes on with the enumeration.
BOOL CALLBACK writeSymbolLine(PSYMBOL_INFO symbol, ULONG size, PVOID frame);

}  // namespace crash
