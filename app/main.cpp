#include <cstdio>

#include "render/TrigTables.h"

int main() {
  fillTrigTables();
  std::puts("zod: the show is not wired up yet.");
  return 0;
}
