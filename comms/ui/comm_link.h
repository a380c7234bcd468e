#pragma once
// What the dialogs and the directory take from the connection layer: `ConnectionInfo` (the
// payload of CONNECTION_OPENED and CONNECTION_CLOSED) and the text disguise of the login agents.
// Built beside vh_comms they come from there; built alone, from a stand-in of the same shape.
#if defined(VH_COMMS_STAND_IN)
#include "comms/ui/comm_types_stand_in.h"
#else
#include "comms/agent.h"
#include "comms/comm_types.h"
#endif
