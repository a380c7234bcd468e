#include "tests/pictures/pictures_fixture.h"
