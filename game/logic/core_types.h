#pragma once
// The application core's types that the game logic is written against.
#include "core/component.h"
#include "core/container.h"
#include "core/geometry.h"
#include "core/list.h"
