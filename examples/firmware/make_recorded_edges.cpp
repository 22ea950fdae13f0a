// Writes recorded_edges.cpp, the edges the firmware example replays, from the
// test-only encoders. The output is the same on every run.
//
//   make_recorded_edges examples/firmware/recorded_edges.cpp
#include <cstdio>
#include <fstream>
#include <string>

#include "examples/firmware/recording.hpp"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
    return 1;
  }
  const std::string text = quillfen::firmware::recorded_edges_source();
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) {
    std::fprintf(stderr, "make_recorded_edges: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
