#include "platform/clock.h"

#include <cstdio>

int main(int, char**) {
    // Tests run on the virtual clock; the program keeps real time.
    platform::UseRealClock();
    std::printf("Varnhold Demo 1.0\n");
    return 0;
}
