// jlistdb: command-line access to Jotlist's task files.
#include <cstdio>

int main(int argc, char**) {
  std::fprintf(stderr, "usage: jlistdb COMMAND DIR ...\n");
  return argc > 1 ? 1 : 2;
}
