#include "app/KelvaroApp.h"

int main(int argc, char** argv)
{
    return KelvaroApp::run(argc, argv);
}
