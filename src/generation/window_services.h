#pragma once
// What the flows need of the window system. The window implements it on Qt; tests implement
// it with a recording fake, so the flows run without a display.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/types.h"

namespace seo {

// A file-system path as the platform spells it (UTF-8 on Linux). Never shown to the service as is.
using NativePath = std::string;

// Object names of the controls the flows address, as the window names them (UTF-8).
namespace control {
inline constexpr std::string_view kStatusLabel = "标签8";
inline constexpr std::string_view kSourceBox = "编辑框2";
inline constexpr std::string_view kResultBox = "编辑框3";
inline constexpr std::string_view kReportBox = "编辑框4";
inline constexpr std::string_view kPassCountBox = "编辑框5";
}  // namespace control

class WindowServices {
public:
    virtual ~WindowServices() = default;

    // Window thread only. Texts are code page 936; multi-line boxes give and take CR LF.
    virtual void SetLabelCaption(std::string_view control, const Text& caption) = 0;
    virtual Text GetEditText(std::string_view control) = 0;
    virtual void SetEditText(std::string_view control, const Text& text) = 0;

    // Modal, OK only, title "信息：", no icon.
    virtual void ShowMessage(const Text& text) = 0;
    // Modal; existing files only, several at once, starting in the program's directory.
    // The full paths in the dialog's order; empty on Cancel.
    virtual std::vector<NativePath> ChooseFilesToOpen(const Text& title) = 0;
    // Modal; a path may be typed. Empty on Cancel.
    virtual NativePath ChooseFolder(const Text& instruction) = 0;
    // Holds the calling thread while the window keeps handling its messages. Returns true.
    // amount omitted and unit 0: waits until the process ends.
    virtual bool PumpingWait(std::optional<std::int32_t> amount = std::nullopt, std::int32_t unit = 0) = 0;
    // Shows the address in the user's default browser; the result is not examined.
    virtual void OpenAddress(const Text& url) = 0;

    // Any thread. The routine runs at once beside the caller; nobody waits for it.
    // Returns false when no thread could be started.
    virtual bool StartThread(std::function<void()> routine) = 0;
    // All bytes of the file, or empty bytes when it cannot be read.
    virtual Bytes ReadWholeFile(const NativePath& path);
    // Creates or truncates the file and writes the bytes under an exclusive lock; false when
    // nothing could be written (another writer holds the file, or it cannot be opened).
    virtual bool WriteWholeFile(const NativePath& path, const Bytes& bytes);
    // Creates an empty file where none exists; an existing file keeps its content.
    virtual bool CreateFileIfAbsent(const NativePath& path);
};

}  // namespace seo
