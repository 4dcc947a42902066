// vrtruty-guide-pdf GUIDE.md PICTURES OUTPUT.pdf FONT: lays the user guide (Markdown) out on A4
// pages with Qt's own text engine and writes it as a PDF with its fonts embedded: the title, the
// list of chapters, then the chapters, every page numbered at its foot. The pictures the guide
// names are looked up in PICTURES.
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFormat>
#include <QTextFragment>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kResolution = 300;  // dots per inch of the pages

// The guide with the list of its chapters ("## " headings) after its title.
QString WithContents(const QString& markdown) {
    static const QRegularExpression chapter(QStringLiteral("^## (.*)$"),
                                            QRegularExpression::MultilineOption);
    QString contents;
    for (auto it = chapter.globalMatch(markdown); it.hasNext();) {
        contents += QStringLiteral("- ") + it.next().captured(1) + QLatin1Char('\n');
    }
    const qsizetype titleEnd = markdown.indexOf(QLatin1Char('\n'));
    return markdown.left(titleEnd + 1) + QLatin1Char('\n') + contents + QLatin1Char('\n') +
           markdown.mid(titleEnd + 1);
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: vrtruty-guide-pdf GUIDE.md PICTURES OUTPUT.pdf FONT\n");
        return 2;
    }
    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "vrtruty-guide-pdf: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString pictures = QString::fromLocal8Bit(argv[2]);
    const QString output = QString::fromLocal8Bit(argv[3]);

    QPdfWriter writer(output + ".part");
    writer.setResolution(kResolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    writer.setCreator("vrtruty-guide-pdf");
    const QRectF paint = writer.pageLayout().paintRectPixels(kResolution);

    QTextDocument guide;
    guide.setDefaultFont(QFont(QString::fromLocal8Bit(argv[4]), 10));
    guide.setMarkdown(WithContents(QString::fromUtf8(source.readAll())));

    // Pictures keep their screen size (96 pixels an inch) up to the width of the text.
    struct Picture {
        int position;
        int length;
        QTextImageFormat format;
    };
    std::vector<Picture> pictureFragments;
    for (QTextBlock block = guide.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().isImageFormat()) {
                pictureFragments.push_back({fragment.position(), fragment.length(),
                                            fragment.charFormat().toImageFormat()});
            }
        }
    }
    for (Picture& picture : pictureFragments) {
        const QString name = picture.format.name();
        const QImage image(QDir(pictures).filePath(name));
        if (image.isNull()) {
            std::fprintf(stderr, "vrtruty-guide-pdf: no picture %s in %s\n", qPrintable(name),
                         qPrintable(pictures));
            return 1;
        }
        guide.addResource(QTextDocument::ImageResource, QUrl(name), image);
        // The page is printed at the writer's resolution; the text's width leaves room for the
        // margins the printing adds.
        const qreal scale = std::min(kResolution / 96.0, paint.width() * 0.75 / image.width());
        picture.format.setWidth(image.width() * scale / (kResolution / 96.0));
        picture.format.setHeight(image.height() * scale / (kResolution / 96.0));
        QTextCursor cursor(&guide);
        cursor.setPosition(picture.position);
        cursor.setPosition(picture.position + picture.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(picture.format);
    }

    // Qt lays the pages out and numbers them.
    guide.print(&writer);
    QFile::remove(output);
    if (!QFile::rename(output + ".part", output)) {
        std::fprintf(stderr, "vrtruty-guide-pdf: cannot write %s\n", qPrintable(output));
        return 1;
    }
    return 0;
}
