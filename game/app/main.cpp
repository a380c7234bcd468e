#include <cstdio>

int main(int, char**) {
    std::printf("Varnhold Demo 1.0\n");
    return 0;
}
