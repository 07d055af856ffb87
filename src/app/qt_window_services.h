#pragma once
// The window services on Qt: controls are found by object name under the window.
#include <memory>

#include "app/dialogs.h"
#include "generation/window_services.h"

class QWidget;

namespace seo {

class QtWindowServices final : public WindowServices {
public:
    QtWindowServices(QWidget& window, std::unique_ptr<Dialogs> dialogs);

    void SetLabelCaption(std::string_view control, const Text& caption) override;
    Text GetEditText(std::string_view control) override;
    void SetEditText(std::string_view control, const Text& text) override;

    void ShowMessage(const Text& text) override;
    std::vector<NativePath> ChooseFilesToOpen(const Text& title) override;
    NativePath ChooseFolder(const Text& instruction) override;
    bool PumpingWait(std::optional<std::int32_t> amount = std::nullopt, std::int32_t unit = 0) override;
    void OpenAddress(const Text& url) override;

    // A detached thread with a stack deep enough for the script engine.
    bool StartThread(std::function<void()> routine) override;

private:
    QWidget& window_;
    std::unique_ptr<Dialogs> dialogs_;
};

}  // namespace seo
