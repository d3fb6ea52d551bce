#include "platform/linux/XConnection.h"
#include "platform/linux/XkbInputSources.h"

#include "InputMethodFramework.h"
#include "TestEnvironment.h"
#include "XTestClient.h"
#include "XvfbServer.h"

namespace {

// XKB groups of the test's X server (its layouts: us, de).
class XkbFramework : public InputMethodFramework {
public:
    bool start(QString* error) override
    {
        const QString display = TestEnvironment::current().xServer()->displayName();
        m_client = std::make_unique<XTestClient>(display);
        m_connection = platform::XConnection::open(display, error);
        return m_connection && m_client->isConnected() && m_client->lockGroup(0);
    }
    std::unique_ptr<platform::TextInputSources> createBackend() override
    {
        return std::make_unique<platform::XkbInputSources>(*m_connection);
    }
    QList<std::pair<QString, QString>> expectedSources() const override
    {
        return {{"xkb:us::eng", "English (US)"}, {"xkb:de::deu", "German"}};
    }
    bool selectFromAnotherClient(const QString& id) override
    {
        return m_client->lockGroup(id == "xkb:de::deu" ? 1 : 0);
    }
    bool focusNewInputContext() override { return false; }
    bool kill() override { return false; }

private:
    std::unique_ptr<XTestClient> m_client;
    std::unique_ptr<platform::XConnection> m_connection;
};

const bool registered = InputMethodFramework::add("xkb", [] { return std::make_unique<XkbFramework>(); });

} // namespace

bool InputMethodFramework::add(const QString& name, Factory factory)
{
    all().append({name, std::move(factory)});
    return true;
}

QList<std::pair<QString, InputMethodFramework::Factory>>& InputMethodFramework::all()
{
    static QList<std::pair<QString, Factory>> frameworks;
    return frameworks;
}
