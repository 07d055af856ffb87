#include "app/fixed_line_widgets.h"

#include <QEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

namespace seo {
namespace {

int LineStep(const QFont& font) { return font.pixelSize() > 0 ? font.pixelSize() : QFontMetrics(font).height(); }

}  // namespace

FixedLineLabel::FixedLineLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void FixedLineLabel::paintEvent(QPaintEvent*) {
    const int step = LineStep(font());
    QTextLayout layout(text(), font());
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (int row = 0;; ++row) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLineWidth(width());
        // Ideographs fill the em from 0.88 above the baseline to 0.12 below it.
        line.setPosition(QPointF(0, row * step + 0.88 * step - line.ascent()));
    }
    layout.endLayout();
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    layout.draw(&painter, QPointF(0, 0));
}

FixedLineBox::FixedLineBox(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(false);
    document()->setDocumentMargin(2);
    connect(document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int added) { ApplyLineStep(position, position + added); });
}

void FixedLineBox::changeEvent(QEvent* event) {
    QTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) ApplyLineStep(0, document()->characterCount());
}

void FixedLineBox::ApplyLineStep(int from, int to) {
    if (applying_) return;
    applying_ = true;
    const int step = LineStep(font());
    for (QTextBlock block = document()->findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        const QTextBlockFormat current = block.blockFormat();
        if (current.lineHeightType() == QTextBlockFormat::FixedHeight && current.lineHeight() == step) continue;
        QTextBlockFormat format;
        format.setLineHeight(step, QTextBlockFormat::FixedHeight);
        QTextCursor cursor(block);
        // Part of the edit that made the paragraph, so that one undo takes back both.
        cursor.joinPreviousEditBlock();
        cursor.mergeBlockFormat(format);
        cursor.endEditBlock();
    }
    applying_ = false;
}

}  // namespace seo
