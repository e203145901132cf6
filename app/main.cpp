#include "ui/main_window.h"

int main(int argc, char** argv) { return varnolt::ui::runProgram(argc, argv); }
