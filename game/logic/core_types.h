#pragma once
// The application core's types that the game logic is written against.
#include "game/logic/interim/core_interim.h"
