#include "core/AppRule.h"
#include "core/RulesStore.h"
#include "localization/StringsTable.h"

#include "Command.h"
#include "FakeNotificationServer.h"
#include "KelvaroProcess.h"
#include "TestEnvironment.h"
#include "TestFiles.h"
#include "TestRegistry.h"
#include "XTestClient.h"
#include "XvfbServer.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

std::optional<QByteArray> run(const QString& program, const QStringList& arguments)
{
    QString error;
    const auto output = runCommand(program, arguments, &error);
    if (!output)
        qWarning("%s", qPrintable(error));
    return output;
}

} // namespace

// The Debian package as a user gets it: built, installable with its declared
// dependencies, and the binary it installs finding its own resources.
class PackageTest : public QObject {
    Q_OBJECT

private slots:
    void theInstalledProgramRunsWithItsResources()
    {
        QTemporaryDir output;
        QVERIFY(run(KELVARO_CPACK, {"--config", KELVARO_BINARY_DIR "/CPackConfig.cmake", "-B", output.path()}));
        const QStringList packages = QDir(output.path()).entryList({"kelvaro_*.deb"});
        QCOMPARE(packages.size(), 1);
        const QString package = output.filePath(packages.first());

        // apt resolves every declared dependency (all present where it was built).
        const auto simulated = run("apt-get", {"install", "--simulate", "--no-install-recommends", package});
        QVERIFY(simulated && simulated->contains("Inst kelvaro"));

        const QString root = output.filePath("root");
        QVERIFY(run("dpkg-deb", {"--extract", package, root}));
        for (const char* file : {"usr/bin/kelvaro", "usr/share/icons/hicolor/scalable/apps/kelvaro.svg",
                                 "usr/share/doc/kelvaro/copyright", "usr/share/kelvaro/resources/Pop.wav"})
            QVERIFY2(QFileInfo::exists(root + '/' + file), file);
        QVERIFY(run("desktop-file-validate", {root + "/usr/share/applications/kelvaro.desktop"}));

        // Started in German with a rule for the window in front: the
        // notification's title comes from the installed German table.
        const auto german = StringsTable::parse(fileContent(root + "/usr/share/kelvaro/resources/de.lproj/Localizable.strings"));
        QVERIFY(german && german->value("Input Source Changed", "Input Source Changed") != "Input Source Changed");
        QSettings settings(QStringLiteral("Kelvaro"), QStringLiteral("Kelvaro"));
        settings.setValue("appLanguage", "de");
        settings.setValue("showNotification", true);
        settings.setValue("indicatorEnabled", false);
        settings.setValue("soundEnabled", false);
        settings.sync();
        QString error;
        QVERIFY2(RulesStore(RulesStore::defaultPath()).save({AppRule::create("org.example.Editor", "Editor", "xkb:de::deu")}, &error),
                 qPrintable(error));
        XTestClient client(TestEnvironment::current().xServer()->displayName());
        XTestClient::WindowProperties editor = XTestClient::WindowProperties::ofClass("Example-editor", 501);
        editor.gtkApplicationId = "org.example.Editor";
        QVERIFY(client.lockGroup(0));
        client.setActiveWindow(client.createWindow(editor));
        FakeNotificationServer notifications;
        QVERIFY(notifications.start());

        KelvaroProcess kelvaro(root + "/usr/bin/kelvaro", QProcessEnvironment::systemEnvironment(), KelvaroProcess::Errors::Keep);
        QVERIFY(kelvaro.start());
        QTRY_COMPARE_WITH_TIMEOUT(notifications.received.size(), 1, 10000);
        QCOMPARE(notifications.received.first().summary, german->value("Input Source Changed"));
        QCOMPARE(client.lockedGroup(), std::optional(1));
        QVERIFY2(!kelvaro.errorOutput().contains("not found"), kelvaro.errorOutput().constData());
    }
};

KELVARO_TEST(PackageTest)
#include "PackageTest.moc"
