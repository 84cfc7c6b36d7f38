// ztmigrate: makes the checkpoint of a case-insensitive server consistent
// in case. Everything happens in RunDriver.
#include "driver/driver.h"
#include "support/files/filesys.h"

int main(int argc, char** argv) {
  InstallInterruptHandler();
  return RunDriver(argc, argv);
}
