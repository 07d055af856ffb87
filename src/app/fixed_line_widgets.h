#pragma once
// Text at a fixed line step equal to the font's pixel height. The texts of the usage page were
// laid out for a face whose lines are exactly that tall; the toolkit's CJK faces add half as
// much again, which would push the last lines of these boxes out of sight.
#include <QLabel>
#include <QTextEdit>

namespace seo {

// A label that wraps its plain text at its width, from the top-left corner.
class FixedLineLabel final : public QLabel {
public:
    explicit FixedLineLabel(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A multi-line plain-text edit box; every paragraph, typed or set, keeps the fixed line step.
class FixedLineBox final : public QTextEdit {
public:
    explicit FixedLineBox(QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    void ApplyLineStep(int from, int to);
    bool applying_ = false;
};

}  // namespace seo
