#pragma once
// What the dialogs and the directory take from the connection layer: `ConnectionInfo` (the
// payload of CONNECTION_OPENED and CONNECTION_CLOSED) and the text disguise of the login agents.
#include "comms/agent.h"
#include "comms/comm_types.h"
