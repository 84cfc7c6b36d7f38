// ztmigrate: makes the checkpoint of a case-insensitive server consistent
// in case. Everything happens in RunDriver.
#include "driver/driver.h"
#include "support/files/filesys.h"
#include "support/out_of_memory.h"

int main(int argc, char** argv) {
  InstallOutOfMemoryHandler();
  InstallInterruptHandler();
  return RunDriver(argc, argv);
}
