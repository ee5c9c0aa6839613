#include "host/state.h"

namespace host {

State state;

}  // namespace host
