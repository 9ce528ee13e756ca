#include "app/Program.h"

int main(int argc, char **argv) { return tpv::runProgram(argc, argv); }
