// Draws the example originality-check result that the usage page shows and writes it as a
// baseline JFIF 1.01 JPEG of 96 x 96 dpi. The quality is chosen so that the file lands near
// the size the window was laid out for.
//
//   usage-picture-generator OUTPUT.jpg
#include <QApplication>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kWidth = 700;
constexpr int kHeight = 594;
constexpr long kTargetBytes = 119018;

struct Row {
    const char* sentence;
    double similarity;  // percent
};

constexpr Row kRows[] = {
    {"搜索引擎更看重内容能否真正解决用户的问题，而不是关键词堆砌。", 3.1},
    {"一篇好的原创文章，应当围绕一个主题展开，层次分明、逻辑清楚。", 0.0},
    {"网站上线初期，稳定地更新高质量内容是获得收录的关键。", 12.4},
    {"标题要简洁明了，准确概括正文，同时自然地包含核心关键词。", 5.6},
    {"内链结构合理，可以帮助蜘蛛更快地发现和抓取新页面。", 0.0},
    {"图片应添加替代文字，既方便读者，也便于搜索引擎理解。", 8.9},
    {"外部链接贵在质量而不在数量，相关性高的链接更有价值。", 2.3},
    {"页面打开速度直接影响用户体验，也会影响网站的排名表现。", 0.0},
    {"定期分析流量数据，找出用户真正关心的话题并持续产出。", 4.7},
    {"避免大段复制他人内容，重复内容很难获得理想的排名。", 0.0},
    {"移动端适配已成为标配，页面在手机上同样要清晰易读。", 1.8},
};

QFont PixelFont(int pixels, int weight = QFont::Normal) {
    QFont font("Noto Sans CJK SC");
    font.setPixelSize(pixels);
    font.setWeight(static_cast<QFont::Weight>(weight));
    return font;
}

void DrawArrow(QPainter& painter, QPointF from, QPointF to, const QColor& colour) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(colour, 5, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(pen);
    const QLineF shaft(from, to);
    QLineF head(to, from);
    head.setLength(22);
    QLineF left = head;
    left.setAngle(head.angle() + 28);
    QLineF right = head;
    right.setAngle(head.angle() - 28);
    QLineF body(from, to);
    body.setLength(body.length() - 10);
    painter.drawLine(body);
    QPainterPath tip;
    tip.moveTo(to);
    tip.lineTo(left.p2());
    tip.lineTo(right.p2());
    tip.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPath(tip);
    painter.restore();
}

QImage DrawPicture() {
    QImage image(kWidth, kHeight, QImage::Format_RGB888);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);

    // A light paper background with a faint grain, as a screenshot of a web page would have.
    QLinearGradient paper(0, 0, 0, kHeight);
    paper.setColorAt(0, QColor(250, 251, 253));
    paper.setColorAt(1, QColor(238, 242, 247));
    painter.fillRect(image.rect(), paper);
    QRandomGenerator grain(20240501);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (grain.bounded(7) != 0) continue;
            QColor c = image.pixelColor(x, y);
            const int d = static_cast<int>(grain.bounded(9)) - 4;
            image.setPixelColor(x, y, QColor(qBound(0, c.red() + d, 255), qBound(0, c.green() + d, 255),
                                             qBound(0, c.blue() + d, 255)));
        }
    }

    // Title bar.
    QLinearGradient bar(0, 0, 0, 44);
    bar.setColorAt(0, QColor(41, 128, 215));
    bar.setColorAt(1, QColor(23, 92, 170));
    painter.fillRect(QRect(0, 0, kWidth, 44), bar);
    painter.setPen(Qt::white);
    painter.setFont(PixelFont(20, QFont::Bold));
    painter.drawText(QRect(16, 0, kWidth - 32, 44), Qt::AlignVCenter | Qt::AlignLeft, "原创度检测结果");
    painter.setFont(PixelFont(13));
    painter.drawText(QRect(16, 0, kWidth - 32, 44), Qt::AlignVCenter | Qt::AlignRight,
                     "检测字数：1286    检测句数：11");

    // The score: a ring with the figure inside.
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF ring(40, 66, 150, 150);
    painter.setPen(QPen(QColor(220, 226, 234), 14));
    painter.drawEllipse(ring);
    painter.setPen(QPen(QColor(46, 174, 82), 14, Qt::SolidLine, Qt::FlatCap));
    painter.drawArc(ring, 90 * 16, -static_cast<int>(360 * 16 * 0.968));
    painter.setPen(QColor(46, 174, 82));
    painter.setFont(PixelFont(34, QFont::Bold));
    painter.drawText(ring.adjusted(0, -14, 0, -14), Qt::AlignCenter, "96.8%");
    painter.setPen(QColor(90, 98, 110));
    painter.setFont(PixelFont(15));
    painter.drawText(ring.adjusted(0, 40, 0, 40), Qt::AlignCenter, "原创度");

    // Summary beside the score.
    const qreal summaryLeft = 372;
    painter.setPen(QColor(40, 44, 52));
    painter.setFont(PixelFont(18, QFont::Bold));
    painter.drawText(QPointF(summaryLeft, 96), "检测结论：高度原创");
    painter.setFont(PixelFont(14));
    painter.setPen(QColor(70, 76, 88));
    painter.drawText(QPointF(summaryLeft, 126), "全文相似度 3.2%，未发现整段重复内容。");
    painter.drawText(QPointF(summaryLeft, 150), "标红句子与网络已有内容相似度较高，");
    painter.drawText(QPointF(summaryLeft, 174), "可再次点击“开始生成”进行深度处理。");
    painter.setFont(PixelFont(13));
    painter.setPen(QColor(120, 126, 138));
    painter.drawText(QPointF(summaryLeft, 204), "相似度低于 15% 的句子可视为原创句子");

    // Arrows at the score.
    const QColor red(226, 52, 45);
    painter.setPen(red);
    painter.setFont(PixelFont(16, QFont::Bold));
    painter.drawText(QPointF(262, 92), "原创度评分");
    painter.drawText(QPointF(262, 232), "越高越好");
    DrawArrow(painter, QPointF(300, 102), QPointF(202, 122), red);
    DrawArrow(painter, QPointF(296, 210), QPointF(194, 178), red);

    // The table of sentences.
    const int left = 16, top = 262, right = kWidth - 16, header = 28, rowHeight = 27;
    const int colNumber = 50, colSimilarity = 130;
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(QRect(left, top, right - left, header), QColor(226, 234, 245));
    painter.setPen(QColor(40, 44, 52));
    painter.setFont(PixelFont(14, QFont::Bold));
    painter.drawText(QRect(left, top, colNumber, header), Qt::AlignCenter, "序号");
    painter.drawText(QRect(left + colNumber + 8, top, 400, header), Qt::AlignVCenter | Qt::AlignLeft, "句子");
    painter.drawText(QRect(right - colSimilarity, top, colSimilarity, header), Qt::AlignCenter, "相似度");
    int y = top + header;
    int index = 1;
    for (const Row& row : kRows) {
        if (index % 2 == 0) painter.fillRect(QRect(left, y, right - left, rowHeight), QColor(247, 249, 252));
        const bool high = row.similarity >= 10.0;
        painter.setPen(QColor(70, 76, 88));
        painter.setFont(PixelFont(13));
        painter.drawText(QRect(left, y, colNumber, rowHeight), Qt::AlignCenter, QString::number(index));
        painter.setPen(high ? QColor(210, 40, 40) : QColor(40, 44, 52));
        painter.drawText(QRect(left + colNumber + 8, y, right - left - colNumber - colSimilarity - 16, rowHeight),
                         Qt::AlignVCenter | Qt::AlignLeft, QString::fromUtf8(row.sentence));
        // A small bar and the figure.
        const QRect track(right - colSimilarity + 10, y + 10, 56, 8);
        painter.fillRect(track, QColor(222, 226, 232));
        QRect fill = track;
        fill.setWidth(std::max(1, static_cast<int>(track.width() * row.similarity / 20.0)));
        painter.fillRect(fill, high ? QColor(226, 52, 45) : QColor(46, 174, 82));
        painter.setPen(high ? QColor(210, 40, 40) : QColor(46, 140, 70));
        painter.drawText(QRect(right - 60, y, 56, rowHeight), Qt::AlignVCenter | Qt::AlignRight,
                         QString::number(row.similarity, 'f', 1) + "%");
        painter.setPen(QColor(220, 224, 230));
        painter.drawLine(left, y + rowHeight - 1, right, y + rowHeight - 1);
        y += rowHeight;
        ++index;
    }
    painter.setPen(QColor(200, 206, 214));
    painter.drawRect(QRect(left, top, right - left - 1, y - top));
    painter.end();
    return image;
}

std::vector<unsigned char> EncodeBaselineJpeg(const QImage& image, int quality) {
    jpeg_compress_struct compress{};
    jpeg_error_mgr errors{};
    compress.err = jpeg_std_error(&errors);
    jpeg_create_compress(&compress);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&compress, &buffer, &size);
    compress.image_width = static_cast<JDIMENSION>(image.width());
    compress.image_height = static_cast<JDIMENSION>(image.height());
    compress.input_components = 3;
    compress.in_color_space = JCS_RGB;
    jpeg_set_defaults(&compress);
    jpeg_set_quality(&compress, quality, TRUE);
    compress.write_JFIF_header = TRUE;
    compress.JFIF_major_version = 1;
    compress.JFIF_minor_version = 1;
    compress.density_unit = 1;  // dots per inch
    compress.X_density = 96;
    compress.Y_density = 96;
    jpeg_start_compress(&compress, TRUE);
    while (compress.next_scanline < compress.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(static_cast<int>(compress.next_scanline)));
        jpeg_write_scanlines(&compress, &row, 1);
    }
    jpeg_finish_compress(&compress);
    jpeg_destroy_compress(&compress);
    std::vector<unsigned char> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.jpg\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QImage image = DrawPicture();

    std::vector<unsigned char> best;
    int bestQuality = 0;
    for (int quality = 50; quality <= 100; ++quality) {
        std::vector<unsigned char> bytes = EncodeBaselineJpeg(image, quality);
        if (best.empty() || std::labs(static_cast<long>(bytes.size()) - kTargetBytes) <
                                std::labs(static_cast<long>(best.size()) - kTargetBytes)) {
            best = std::move(bytes);
            bestQuality = quality;
        }
    }
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(best.data(), 1, best.size(), out) != best.size() || std::fclose(out) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    std::printf("quality %d, %zu bytes\n", bestQuality, best.size());
    return 0;
}
