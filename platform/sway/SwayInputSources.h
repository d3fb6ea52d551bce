#pragma once

#include "platform/TextInputSources.h"

#include <QStringList>

#include <memory>

namespace platform {

class KeyboardLayoutRegistry;
class SwayIpc;

// Input sources on sway: the layouts of its keyboards (GET_INPUTS), in their
// order. sway names each layout by its description, which the layout
// registry maps back to a layout and variant. The keyboard with the most
// layouts is the one read (inputs such as power buttons carry one);
// selecting switches every keyboard to the layout at that index. The change
// notice follows the input events.
class SwayInputSources : public TextInputSources {
    Q_OBJECT
public:
    explicit SwayInputSources(std::shared_ptr<SwayIpc> ipc, QObject* parent = nullptr);
    SwayInputSources(std::shared_ptr<SwayIpc> ipc, KeyboardLayoutRegistry& registry, QObject* parent = nullptr);
    ~SwayInputSources() override;

    std::optional<QList<PlatformInputSource>> enabledInputSources() override;
    std::optional<PlatformInputSource> currentKeyboardInputSource() override;
    int selectInputSource(const PlatformInputSource& source) override;

private:
    struct Keyboard {
        QStringList layoutNames;
        int activeIndex = -1;
    };
    std::optional<Keyboard> readKeyboard();
    QList<PlatformInputSource> sourcesOf(const QStringList& layoutNames) const;
    void inputChanged();

    std::shared_ptr<SwayIpc> m_ipc;
    KeyboardLayoutRegistry& m_registry;
};

} // namespace platform
