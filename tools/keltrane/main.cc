#include "host.h"

int main(int argc, char** argv) {
  return kt::host::Main(argc, argv);
}
