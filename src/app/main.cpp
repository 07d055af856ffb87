#include "app/program_main.h"

int main(int argc, char** argv) { seo::EndProgram(seo::ProgramMain(argc, argv)); }
