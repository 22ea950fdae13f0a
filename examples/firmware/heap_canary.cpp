// A program that does everything the firmware must not: it allocates with
// malloc and operator new and throws. The build links it and requires the
// link check to find every one of them, so that a check that silently stopped
// finding anything fails the build.
#include <cstdlib>

// Stores go through a volatile pointer, so that no allocation can be elided.
void* volatile sink = nullptr;

int main() {
  sink = std::malloc(16);
  sink = new int(42);
  if (sink == nullptr) {
    throw 1;
  }
  return 0;
}
