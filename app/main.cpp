#include "app/KelvaroApp.h"
#include "logging/ApplicationIdentity.h"
#include "logging/JournalLogBackend.h"
#include "logging/Logger.h"

int main(int argc, char** argv)
{
    // Before anything can log: every line names the application and goes to the journal.
    ApplicationIdentity::establish();
    Logger::installMessageHandler(std::make_shared<logging::JournalLogBackend>());
    return KelvaroApp::run(argc, argv);
}
