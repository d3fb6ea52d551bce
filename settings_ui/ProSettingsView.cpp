#include "settings_ui/ProSettingsView.h"

#include "core/RememberedInputSources.h"
#include "feedback/GlobalHotkeyManager.h"
#include "platform/Session.h"
#include "feedback/IndicatorSettings.h"
#include "feedback/SoundEffectManager.h"
#include "feedback/SymbolIcons.h"
#include "localization/LocalizationManager.h"
#include "settings/UserDefaults.h"
#include "settings_ui/KeyboardKeyView.h"
#include "settings_ui/RulesBackupController.h"
#include "settings_ui/SettingsForm.h"
#include "settings_ui/TextStyles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QVBoxLayout>

#include <QHash>

#include <algorithm>
#include <cmath>

namespace {

const QString kIndicatorEnabled = QStringLiteral("indicatorEnabled");
const QString kIndicatorPosition = QStringLiteral("indicatorPosition");
const QString kIndicatorDuration = QStringLiteral("indicatorDuration");
const QString kSoundEnabled = QStringLiteral("soundEnabled");
const QString kSoundVolume = QStringLiteral("soundVolume");
const QString kPauseHotkeyEnabled = QStringLiteral("pauseHotkeyEnabled");
const QString kMenuBarShowFlag = QStringLiteral("menuBarShowFlag");
const QString kRememberPerApplication = QStringLiteral("rememberPerApplication");

// The sliders hold whole steps: duration in half seconds (0.5 to 3.0),
// volume in tenths (0.1 to 1.0).
constexpr double kDurationStep = 0.5;
constexpr int kDurationSteps = 6;
constexpr double kVolumeStep = 0.1;
constexpr int kVolumeSteps = 10;
constexpr int kSymbolSide = 16;
const QColor kLinkColour(0x00, 0x7a, 0xff);

// A section's rows on the grouped form's rounded background.
QFont monospacedDigits(QFont font)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    font.setFeature(QFont::Tag("tnum"), 1);
#endif
    return font;
}

int nearestStep(double value, double step, int steps)
{
    return std::clamp(int(std::lround(value / step)), 1, steps);
}

} // namespace

ProSettingsView::ProSettingsView(Services services, QWidget* parent)
    : QWidget(parent)
    , m_services(std::move(services))
    , m_backup(new RulesBackupController(m_services.ruleEngine, m_services.exportManager, this))
{
    const SettingsForm body(*this, QMargins(20, 16, 20, 16), 6);
    QWidget* form = body.widget();
    QVBoxLayout* column = body.column();

    const auto text = [this](QWidget* parent, const char* english) {
        auto* label = new QLabel(parent);
        label->setProperty("english", QString::fromUtf8(english));
        m_texts << label;
        return label;
    };
    const auto section = [&](const char* header) {
        QLabel* title = text(form, header);
        TextStyles::apply(*title, TextStyles::headline(*this));
        column->addSpacing(column->count() ? 10 : 0);
        column->addWidget(title);
        auto* box = new SectionBox(form);
        column->addWidget(box);
        return box;
    };
    const auto caption = [&](const char* english) {
        QLabel* label = text(form, english);
        TextStyles::apply(*label, TextStyles::caption(*this), true);
        label->setWordWrap(true);
        column->addWidget(label);
    };
    const auto button = [this](QWidget* parent, const char* english, const QString& symbol, const QColor& tint) {
        auto* pressable = new QPushButton(parent);
        pressable->setProperty("english", QString::fromUtf8(english));
        pressable->setIcon(QIcon(SymbolIcons::pixmap(symbol, kSymbolSide, tint, devicePixelRatioF())));
        m_buttons << pressable;
        return pressable;
    };
    // A caption row: the text at the left, the value at the right.
    const auto valueRow = [&](QWidget* parent, const char* english, QLabel*& value) {
        auto* row = new QHBoxLayout;
        row->addWidget(text(parent, english));
        row->addStretch(1);
        value = new QLabel(parent);
        TextStyles::apply(*value, monospacedDigits(font()), true);
        row->addWidget(value);
        return row;
    };
    const auto slider = [](QWidget* parent, int steps) {
        auto* bar = new QSlider(Qt::Horizontal, parent);
        bar->setRange(1, steps);
        bar->setPageStep(1);
        bar->setTickPosition(QSlider::TicksBelow);
        return bar;
    };

    SectionBox* indicator = section(QT_TR_NOOP("Visual Indicator"));
    m_indicatorEnabled = addSwitch(indicator, kIndicatorEnabled, SymbolIcons::squareOnSquare);
    m_indicatorRows = new QWidget(indicator);
    auto* indicatorRows = new QVBoxLayout(m_indicatorRows);
    indicatorRows->setContentsMargins(0, 0, 0, 0);
    auto* positionRow = new QHBoxLayout;
    positionRow->addWidget(text(m_indicatorRows, QT_TR_NOOP("Position")));
    positionRow->addStretch(1);
    m_position = new QComboBox(m_indicatorRows);
    m_position->setObjectName(kIndicatorPosition);
    positionRow->addWidget(m_position);
    indicatorRows->addLayout(positionRow);
    indicatorRows->addLayout(valueRow(m_indicatorRows, QT_TR_NOOP("Display Duration"), m_duration));
    m_durationSlider = slider(m_indicatorRows, kDurationSteps);
    m_durationSlider->setObjectName(kIndicatorDuration);
    m_duration->setObjectName(kIndicatorDuration + QStringLiteral("Text"));
    indicatorRows->addWidget(m_durationSlider);
    indicator->rows()->addWidget(m_indicatorRows);
    caption(QT_TR_NOOP("Shows a floating indicator when input source changes."));
    connect(m_position, &QComboBox::activated, this, [this](int index) {
        const auto position = IndicatorPositions::allCases().value(index);
        UserDefaults::setValue(m_services.settings, kIndicatorPosition, IndicatorPositions::rawValue(position));
    });
    connect(m_durationSlider, &QSlider::valueChanged, this, [this](int step) {
        UserDefaults::setValue(m_services.settings, kIndicatorDuration, step * kDurationStep);
    });

    SectionBox* sound = section(QT_TR_NOOP("Sound Effects"));
    m_soundEnabled = addSwitch(sound, kSoundEnabled, SymbolIcons::speaker);
    m_soundRows = new QWidget(sound);
    auto* soundRows = new QVBoxLayout(m_soundRows);
    soundRows->setContentsMargins(0, 0, 0, 0);
    soundRows->addLayout(valueRow(m_soundRows, QT_TR_NOOP("Volume"), m_volume));
    m_volumeSlider = slider(m_soundRows, kVolumeSteps);
    m_volumeSlider->setObjectName(kSoundVolume);
    m_volume->setObjectName(kSoundVolume + QStringLiteral("Text"));
    soundRows->addWidget(m_volumeSlider);
    QPushButton* testSound = button(m_soundRows, QT_TR_NOOP("Test Sound"), SymbolIcons::playCircle, kLinkColour);
    testSound->setObjectName(QStringLiteral("testSound"));
    testSound->setFlat(true);
    testSound->setCursor(Qt::PointingHandCursor);
    testSound->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: none; padding: 2px 0; }")
                                 .arg(kLinkColour.name()));
    soundRows->addWidget(testSound, 0, Qt::AlignLeft);
    sound->rows()->addWidget(m_soundRows);
    caption(QT_TR_NOOP("Plays a subtle sound when input source changes."));
    connect(m_volumeSlider, &QSlider::valueChanged, this, [this](int step) {
        // Divided rather than multiplied by the step: 3 tenths is 0.3, not 0.30000000000000004.
        UserDefaults::setValue(m_services.settings, kSoundVolume, step / double(kVolumeSteps));
    });
    connect(testSound, &QPushButton::clicked, &m_services.soundEffects, &SoundEffectManager::playSwitchSound);

    SectionBox* hotkey = section(QT_TR_NOOP("Global Hotkey"));
    m_hotkeyEnabled = addSwitch(hotkey, kPauseHotkeyEnabled, SymbolIcons::command);
    m_hotkeyRow = new QWidget(hotkey);
    m_hotkeyRow->setObjectName(QStringLiteral("pauseKeys"));
    auto* keys = new QHBoxLayout(m_hotkeyRow);
    keys->setContentsMargins(0, 0, 0, 0);
    keys->setSpacing(4);
    keys->addWidget(text(m_hotkeyRow, QT_TR_NOOP("Pause/Resume")));
    keys->addStretch(1);
    for (const QString& key : {QStringLiteral("Ctrl"), QStringLiteral("Alt"), QStringLiteral("P")})
        keys->addWidget(new KeyboardKeyView(key, m_hotkeyRow));
    hotkey->rows()->addWidget(m_hotkeyRow);
    // sway lets no client hold a global hotkey; its own key bindings do that.
    caption(platform::session() == platform::Session::Sway
                ? QT_TR_NOOP("sway lets no app use a global hotkey. Add this line to sway's config instead: "
                             "bindsym Ctrl+Mod1+p exec kelvaro toggle")
                : QT_TR_NOOP("Use keyboard shortcut to toggle auto-switching on/off."));
    connect(m_hotkeyEnabled, &QCheckBox::clicked, this, &ProSettingsView::setHotkeyEnabled);

    SectionBox* tray = section(QT_TR_NOOP("Menu Bar"));
    m_showFlag = addSwitch(tray, kMenuBarShowFlag, SymbolIcons::flag);
    caption(QT_TR_NOOP("Display country flag emoji representing current input source."));

    SectionBox* memory = section(QT_TR_NOOP("Per-App Memory"));
    m_remember = addSwitch(memory, kRememberPerApplication, SymbolIcons::arrowCounterclockwise);
    m_forget = button(memory, QT_TR_NOOP("Forget Remembered Sources"), SymbolIcons::minus,
                      palette().color(QPalette::ButtonText));
    m_forget->setObjectName(QStringLiteral("forgetRemembered"));
    memory->rows()->addWidget(m_forget, 0, Qt::AlignLeft);
    caption(QT_TR_NOOP("Apps without a rule get back the input source you last used in them."));
    connect(m_forget, &QPushButton::clicked, this, &ProSettingsView::confirmForget);
    connect(&m_services.remembered, &RememberedInputSources::countChanged, this, &ProSettingsView::render);

    SectionBox* backup = section(QT_TR_NOOP("Backup & Restore"));
    const QColor buttonTint = palette().color(QPalette::ButtonText);
    QPushButton* exportRules = button(backup, QT_TR_NOOP("Export Rules"), SymbolIcons::squareArrowUp, buttonTint);
    QPushButton* importRules = button(backup, QT_TR_NOOP("Import Rules"), SymbolIcons::squareArrowDown, buttonTint);
    auto* backupRow = new QHBoxLayout;
    backupRow->addWidget(exportRules);
    backupRow->addWidget(importRules);
    backupRow->addStretch(1);
    backup->rows()->addLayout(backupRow);
    caption(QT_TR_NOOP("Backup and restore your rules as JSON files."));
    connect(exportRules, &QPushButton::clicked, m_backup, &RulesBackupController::presentExporter);
    connect(importRules, &QPushButton::clicked, m_backup, &RulesBackupController::presentImporter);
    column->addStretch(1);

    connect(&UserDefaults::notifier(), &UserDefaults::Notifier::changed, this, &ProSettingsView::render);
    followLanguage(this, [this] { retranslate(); });
}

QCheckBox* ProSettingsView::addSwitch(QWidget* box, const QString& key, const QString& symbol)
{
    static const QHash<QString, const char*> labels{
        {kIndicatorEnabled, QT_TR_NOOP("Show Input Source Indicator")},
        {kSoundEnabled, QT_TR_NOOP("Play Sound on Switch")},
        {kPauseHotkeyEnabled, QT_TR_NOOP("Enable Global Hotkey")},
        {kMenuBarShowFlag, QT_TR_NOOP("Show Flag in Menu Bar")},
        {kRememberPerApplication, QT_TR_NOOP("Remember Input Source per App")},
    };
    auto* row = new QHBoxLayout;
    auto* icon = new QLabel(box);
    icon->setPixmap(SymbolIcons::pixmap(symbol, kSymbolSide, palette().color(QPalette::WindowText), devicePixelRatioF()));
    row->addWidget(icon);
    auto* label = new QLabel(box);
    label->setProperty("english", QString::fromUtf8(labels.value(key)));
    m_texts << label;
    row->addWidget(label);
    row->addStretch(1);
    auto* toggle = new QCheckBox(box);
    toggle->setObjectName(key);
    toggle->setAccessibleName(label->property("english").toString());
    label->setBuddy(toggle);
    row->addWidget(toggle);
    static_cast<QBoxLayout*>(box->layout())->addLayout(row);
    // The hotkey switch has its own follow-up, the others only store.
    if (key != kPauseHotkeyEnabled)
        connect(toggle, &QCheckBox::clicked, this,
                [this, key](bool on) { UserDefaults::setValue(m_services.settings, key, on); });
    return toggle;
}

void ProSettingsView::setHotkeyEnabled(bool enabled)
{
    UserDefaults::setValue(m_services.settings, kPauseHotkeyEnabled, enabled);
    GlobalHotkeyManager& manager = m_services.hotkeyManager();
    if (UserDefaults::boolValue(m_services.settings, kPauseHotkeyEnabled, false))
        manager.startMonitoring();
    else
        manager.stopMonitoring();
}

void ProSettingsView::confirmForget()
{
    if (m_forgetConfirmation)
        return;
    m_forgetConfirmation =
        new QMessageBox(QMessageBox::Warning, localized(QStringLiteral("Forget Remembered Sources")),
                        localized(QStringLiteral("Forget the input sources remembered for all apps?")),
                        QMessageBox::NoButton, this);
    m_forgetConfirmation->setAttribute(Qt::WA_DeleteOnClose);
    m_forgetConfirmation->setWindowModality(Qt::WindowModal);
    m_forgetConfirmation->addButton(localized(QStringLiteral("Cancel")), QMessageBox::RejectRole);
    QPushButton* forget =
        m_forgetConfirmation->addButton(localized(QStringLiteral("Forget")), QMessageBox::DestructiveRole);
    connect(forget, &QPushButton::clicked, &m_services.remembered, &RememberedInputSources::forgetAll);
    connect(m_forgetConfirmation, &QObject::destroyed, this, [this] { m_forgetConfirmation = nullptr; });
    m_forgetConfirmation->open();
}

QString ProSettingsView::durationText(double seconds)
{
    return QString::asprintf("%.1fs", seconds);
}

QString ProSettingsView::volumeText(double volume)
{
    return QString::number(static_cast<long long>(std::trunc(volume * 100))) + QLatin1Char('%');
}

void ProSettingsView::render()
{
    const QSettings& settings = m_services.settings;
    // Shown as the services that act on the keys read them: sound and flag
    // are on while their keys are absent.
    const bool indicatorOn = IndicatorSettings::isEnabled(settings);
    const bool soundOn = UserDefaults::boolValue(settings, kSoundEnabled, true);
    const bool hotkeyOn = UserDefaults::boolValue(settings, kPauseHotkeyEnabled, false);
    const double duration = IndicatorSettings::durationSeconds(settings);
    const double volume = UserDefaults::doubleValue(settings, kSoundVolume).value_or(0.5);

    const QSignalBlocker blockDuration(m_durationSlider), blockVolume(m_volumeSlider);
    m_indicatorEnabled->setChecked(indicatorOn);
    m_indicatorRows->setVisible(indicatorOn);
    m_position->setCurrentIndex(int(IndicatorPositions::allCases().indexOf(IndicatorSettings::position(settings))));
    m_duration->setText(durationText(duration));
    m_durationSlider->setValue(nearestStep(duration, kDurationStep, kDurationSteps));
    m_soundEnabled->setChecked(soundOn);
    m_soundRows->setVisible(soundOn);
    m_volume->setText(volumeText(volume));
    m_volumeSlider->setValue(nearestStep(volume, kVolumeStep, kVolumeSteps));
    m_hotkeyEnabled->setChecked(hotkeyOn);
    m_hotkeyRow->setVisible(hotkeyOn);
    m_showFlag->setChecked(UserDefaults::boolValue(settings, kMenuBarShowFlag, true));
    m_remember->setChecked(UserDefaults::boolValue(settings, kRememberPerApplication, false));
    m_forget->setEnabled(m_services.remembered.count() > 0);
}

void ProSettingsView::retranslate()
{
    for (QLabel* label : std::as_const(m_texts))
        label->setText(localized(label->property("english").toString()));
    for (QAbstractButton* pressable : std::as_const(m_buttons))
        pressable->setText(localized(pressable->property("english").toString()));
    const QSignalBlocker block(m_position);
    m_position->clear();
    for (IndicatorPosition position : IndicatorPositions::allCases())
        m_position->addItem(IndicatorPositions::displayName(position));
    render();
}
