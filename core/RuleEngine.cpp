#include "core/RuleEngine.h"

#include "core/InputSourceManager.h"
#include "core/RememberedInputSources.h"
#include "core/RuleIndex.h"
#include "core/SwitchFeedback.h"
#include "core/WindowWatcher.h"
#include "localization/LocalizationManager.h"
#include "logging/LogText.h"
#include "logging/Logger.h"
#include "platform/UserNotifications.h"
#include "settings/UserDefaults.h"

#include <QHash>
#include <QPointer>
#include <QUuid>

#include <algorithm>
#include <cstdio>

namespace {

const QString kDefaultInputSourceKey = QStringLiteral("defaultInputSourceID");
const QString kShowNotificationKey = QStringLiteral("showNotification");
const QString kRememberKey = QStringLiteral("rememberPerApplication");

// The two rules-file messages go to standard output, not to the log.
void printLine(const QString& line)
{
    std::fprintf(stdout, "%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

} // namespace

RuleEngine::RuleEngine(const Dependencies& dependencies, QObject* parent)
    : QObject(parent)
    , m_inputSourceManager(dependencies.inputSourceManager)
    , m_watcher(dependencies.watcher)
    , m_feedback(dependencies.feedback)
    , m_notifications(dependencies.notifications)
    , m_settings(dependencies.settings)
    , m_store(dependencies.store)
    , m_remembered(dependencies.remembered)
{
    // Read, not assigned through the setter: an unreadable stored value is
    // ignored without being removed, and nothing is written at start.
    m_defaultInputSourceID = UserDefaults::stringValue(m_settings, kDefaultInputSourceKey);
    // Also when the settings file was edited by hand.
    connect(&UserDefaults::notifier(), &UserDefaults::Notifier::changed, this, [this](const QString& key) {
        if (key != kDefaultInputSourceKey)
            return;
        if (const auto stored = UserDefaults::stringValue(m_settings, key); stored != m_defaultInputSourceID) {
            m_defaultInputSourceID = stored;
            emit defaultInputSourceIDChanged(m_defaultInputSourceID);
        }
    });
    loadRules();
    connect(m_store.get(), &RulesStore::changedOnDisk, this, &RuleEngine::reloadRules);
    m_store->startWatching();
    setupBindings();
}

void RuleEngine::setRules(const QList<AppRule>& rules)
{
    applyRules(rules);
    saveRules();
}

void RuleEngine::applyRules(const QList<AppRule>& rules)
{
    m_rules = rules;
    m_ruleIndex = RuleIndex(m_rules);
    emit rulesChanged(m_rules);
}

void RuleEngine::setDefaultInputSourceID(const std::optional<QString>& identifier)
{
    m_defaultInputSourceID = identifier;
    if (identifier)
        UserDefaults::setValue(m_settings, kDefaultInputSourceKey, *identifier);
    else
        UserDefaults::remove(m_settings, kDefaultInputSourceKey);
    emit defaultInputSourceIDChanged(m_defaultInputSourceID);
}

void RuleEngine::setPaused(bool paused)
{
    m_isPaused = paused;
    emit isPausedChanged(m_isPaused);
}

void RuleEngine::addRule(const AppRule& rule)
{
    addRules({rule});
}

void RuleEngine::addRules(const QList<AppRule>& added)
{
    if (added.isEmpty())
        return;
    QList<AppRule> rules = m_rules;
    // Where the first rule of each application is; replacing a rule keeps its
    // application, so the places stay true while rules are added.
    QHash<QString, qsizetype> firstRule;
    firstRule.reserve(rules.size() + added.size());
    for (qsizetype i = rules.size() - 1; i >= 0; --i)
        firstRule.insert(rules.at(i).appBundleID, i);
    for (const AppRule& rule : added) {
        const auto existing = firstRule.constFind(rule.appBundleID);
        if (existing != firstRule.constEnd()) {
            rules[*existing] = rule;
        } else {
            firstRule.insert(rule.appBundleID, rules.size());
            rules.append(rule);
        }
    }
    setRules(rules);
}

void RuleEngine::deleteRule(const AppRule& rule)
{
    QList<AppRule> rules = m_rules;
    rules.removeIf([&](const AppRule& r) { return r.id == rule.id; });
    setRules(rules);
}

void RuleEngine::updateRule(const AppRule& rule)
{
    QList<AppRule> rules = m_rules;
    const auto edited = std::find_if(rules.begin(), rules.end(), [&](const AppRule& r) { return r.id == rule.id; });
    if (edited == rules.end()) {
        addRule(rule);
        return;
    }
    *edited = rule;
    setRules(rules);
}

void RuleEngine::loadRules()
{
    RulesStore::LoadResult loaded = m_store->load();
    if (!loaded.rules) {
        printLine(QStringLiteral("Failed to load rules (might be fresh install): ") + loaded.error);
        return;
    }
    // Assigning saves at once: a valid file is rewritten in compact form.
    setRules(*loaded.rules);
}

void RuleEngine::reloadRules()
{
    RulesStore::LoadResult loaded = m_store->load();
    if (!loaded.rules) {
        Logger::shared().error(QStringLiteral("Kept the rules in memory: ") + loaded.error);
        return;
    }
    // What the file holds already: nothing to write.
    applyRules(*loaded.rules);
}

void RuleEngine::saveRules()
{
    QString error;
    if (!m_store->save(m_rules, &error))
        printLine(QStringLiteral("Failed to save rules: ") + error);
}

void RuleEngine::setupBindings()
{
    // The watcher hands over its current value at once, so the application in
    // front is handled here, during construction.
    m_watcher.subscribe(this, [this](const WindowWatcher::Application& application) {
        if (!application || isRepeat(*application))
            return;
        rememberLeftApplication();
        m_lastApplication = application;
        handleAppSwitch(*application);
    });
}

bool RuleEngine::isRepeat(const platform::RunningApplication& application) const
{
    // The same process is a repeat only as the same application (a browser's
    // web-app windows have classes of their own).
    return m_lastApplication && application.isSameApplication(*m_lastApplication);
}

bool RuleEngine::isRemembering() const
{
    return m_remembered && UserDefaults::boolValue(m_settings, kRememberKey, false);
}

void RuleEngine::rememberLeftApplication()
{
    if (!m_lastApplication || !m_lastApplication->bundleIdentifier || !isRemembering()
        || m_ruleIndex.hasRule(*m_lastApplication->bundleIdentifier))
        return;
    // Whoever chose it: this engine, the user or another program.
    if (const auto current = m_inputSourceManager.getCurrentInputSource())
        m_remembered->remember(*m_lastApplication->bundleIdentifier, current->id);
}

std::optional<QString> RuleEngine::recall(const QString& bundleID)
{
    if (!isRemembering())
        return std::nullopt;
    const auto remembered = m_remembered->recall(bundleID);
    if (!remembered)
        return std::nullopt;
    // A source no longer enabled is passed over, and kept for when it is again.
    const QList<InputSource> installed = m_inputSourceManager.installedInputSources();
    const bool enabled =
        std::any_of(installed.begin(), installed.end(), [&](const InputSource& s) { return s.id == *remembered; });
    return enabled ? remembered : std::nullopt;
}

void RuleEngine::handleAppSwitch(const platform::RunningApplication& application)
{
    if (m_isPaused || !application.bundleIdentifier)
        return;
    const QString& bundleID = *application.bundleIdentifier;

    const auto decision =
        m_ruleIndex.decide(bundleID, m_defaultInputSourceID, [this](const QString& id) { return recall(id); });
    if (!decision)
        return;
    // The layout is selected first and the decision logged after: writing
    // the line (to the journal or a terminal) is kept off the switch's way.
    const bool selected = m_inputSourceManager.selectInputSource(decision->inputSourceID);
    const QString prefix = decision->reason == SwitchDecision::Reason::Match        ? QStringLiteral("[Match] ")
                           : decision->reason == SwitchDecision::Reason::Remembered ? QStringLiteral("[Remembered] ")
                                                                                    : QStringLiteral("[Fallback] ");
    Logger::shared().info(prefix + logging::logText(bundleID) + QStringLiteral(" -> ")
                          + logging::logText(decision->inputSourceID));
    if (!selected)
        return;
    announceSwitch(decision->inputSourceID);
    emit switched(bundleID, decision->inputSourceID, decision->reason);
}

void RuleEngine::announceSwitch(const QString& inputSourceID)
{
    const QString name = m_inputSourceManager.getInputSourceName(inputSourceID);
    m_feedback.showIndicator(name, inputSourceID);
    m_feedback.playSwitchSound();
    postSwitchNotification(name);
}

void RuleEngine::postSwitchNotification(const QString& name)
{
    if (!UserDefaults::boolValue(m_settings, kShowNotificationKey, false))
        return;
    platform::UserNotifications::Request request;
    request.identifier = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    request.title = localized(QStringLiteral("Input Source Changed"));
    request.body = name;
    request.silent = true;
    // The answer may come after this engine is gone (a test makes a new one).
    m_notifications.add(request, [engine = QPointer(this)](const std::optional<QString>& error) {
        if (!engine)
            return;
        if (error)
            engine->m_notificationErrors.failed(QStringLiteral("Notification error: ") + logging::logText(*error));
        else
            engine->m_notificationErrors.succeeded();
    });
}
