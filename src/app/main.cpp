// glimmerkit: the GTK program.
#include "app/main_window.h"

int main(int argc, char** argv) { return RunGlimmerkit(argc, argv); }
