// pressmill SOURCE TARGET: converts images into textures and copies textures.
#include "lib/texture/pressmill/pressmill_run.h"

int main(int argc, char** argv) { return RunPressmill(argc, argv); }
