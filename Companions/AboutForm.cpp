// "Form.dll": the About box.
#include <cstddef>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "CompanionApi.h"

extern "C" const unsigned char SonabrixEmblem[];
extern "C" const size_t SonabrixEmblemSize;

namespace {

struct ProductTexts
{
    QString MakerName;
    QString ProductName;
    QString Copyright;
    QString TitleSuffix;
    QString HomePage;
    QString SupportEmail;
};

QString Text(const char *utf8)
{
    return utf8 ? QString::fromUtf8(utf8) : QString();
}

// A record from an older program may be shorter than ours; a field it lacks
// reads as empty instead of being read past the record's end.
ProductTexts ReadInfo(const SonabrixProductInfo *info)
{
    ProductTexts texts;
    if (!info)
        return texts;
    const auto has = [info](size_t fieldEnd) { return info->StructSize >= fieldEnd; };
    if (has(offsetof(SonabrixProductInfo, MakerName) + sizeof(char *)))
        texts.MakerName = Text(info->MakerName);
    if (has(offsetof(SonabrixProductInfo, ProductName) + sizeof(char *)))
        texts.ProductName = Text(info->ProductName);
    if (has(offsetof(SonabrixProductInfo, Copyright) + sizeof(char *)))
        texts.Copyright = Text(info->Copyright);
    if (has(offsetof(SonabrixProductInfo, TitleSuffix) + sizeof(char *)))
        texts.TitleSuffix = Text(info->TitleSuffix);
    if (has(offsetof(SonabrixProductInfo, HomePage) + sizeof(char *)))
        texts.HomePage = Text(info->HomePage);
    if (has(offsetof(SonabrixProductInfo, SupportEmail) + sizeof(char *)))
        texts.SupportEmail = Text(info->SupportEmail);
    return texts;
}

QString Link(const QString &target, const QString &shown)
{
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(target.toHtmlEscaped(), shown.toHtmlEscaped());
}

// The libraries the program and its encoder run on, with the licences under
// which Debian ships them (see /usr/share/doc/<package>/copyright).
QString LicenceHtml()
{
    struct Entry
    {
        const char *Component;
        const char *Use;
        const char *Licence;
    };
    static const Entry entries[] = {
        {"Qt 6 (Qt Base, Qt Multimedia)", "windows, dialogs, preview player",
         "GNU Lesser General Public License version 3 (LGPL-3.0); also available under GPL-2.0"},
        {"FFmpeg libraries: libavformat, libavcodec, libswresample, libavutil",
         "reading media files, decoding, resampling and encoding",
         "GNU Lesser General Public License 2.1 or later (LGPL-2.1+) upstream; the Debian builds include "
         "optional GPL parts and are under the GNU General Public License 2 or later (GPL-2.0+); the "
         "libavcodec-extra flavour links Apache-2.0 libraries, which makes it effectively GPL-3.0+"},
        {"opencore-amr (libopencore-amrnb)", "AMR encoder, through libavcodec", "Apache License 2.0"},
        {"LAME (libmp3lame)", "MP3 encoder, through libavcodec", "GNU Library General Public License 2 or later (LGPL-2.0+)"},
        {"libvorbis (libvorbisenc)", "OGG Vorbis encoder, through libavcodec", "BSD 3-clause licence"},
        {"GStreamer core, Good Plugins and libav plugin", "decoding for the preview player, through Qt Multimedia",
         "GNU Lesser General Public License 2.1 or later (LGPL-2.1+)"},
    };
    QString html = QStringLiteral("<p>Sonabrix uses these libraries. Each is free software under its own "
                                  "licence; the full texts are in /usr/share/common-licenses and each "
                                  "package's /usr/share/doc/&lt;package&gt;/copyright.</p>");
    for (const Entry &entry : entries) {
        html += QStringLiteral("<p><b>%1</b> &mdash; %2<br/>%3</p>")
                    .arg(QString::fromUtf8(entry.Component).toHtmlEscaped(),
                         QString::fromUtf8(entry.Use).toHtmlEscaped(),
                         QString::fromUtf8(entry.Licence).toHtmlEscaped());
    }
    html += QStringLiteral("<p>AAC, AC3 and WAV are written with FFmpeg's own encoders. Sonabrix runs on "
                           "Qt %1.</p>").arg(QString::fromLatin1(qVersion()));
    return html;
}

QLabel *NamedLabel(const QString &name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

class TAboutForm final : public QDialog
{
public:
    TAboutForm(const ProductTexts &texts, QWidget *parent)
        : QDialog(parent)
    {
        setObjectName(QStringLiteral("AboutForm"));
        const QString title = texts.ProductName.isEmpty() ? QStringLiteral("Sonabrix") : texts.ProductName;
        setWindowTitle(QStringLiteral("About %1").arg(title));

        auto *emblem = new QLabel(this);
        QPixmap picture;
        picture.loadFromData(SonabrixEmblem, static_cast<uint>(SonabrixEmblemSize), "PNG");
        emblem->setPixmap(picture);
        emblem->setAlignment(Qt::AlignTop);

        auto *product = NamedLabel(QStringLiteral("lblProduct"),
                                   QStringLiteral("<span style=\"font-size:15pt; font-weight:bold\">%1</span>")
                                       .arg((title + QLatin1Char(' ') + texts.TitleSuffix).trimmed().toHtmlEscaped()),
                                   this);
        auto *version = NamedLabel(QStringLiteral("lblVersion"),
                                   QStringLiteral("Version %1").arg(QStringLiteral(SONABRIX_VERSION)), this);
        // The copyright line usually names the maker already.
        const QString makerLine = texts.Copyright.contains(texts.MakerName)
            ? texts.Copyright
            : (texts.MakerName + QLatin1Char(' ') + texts.Copyright).trimmed();
        auto *maker = NamedLabel(QStringLiteral("lblMaker"), makerLine.toHtmlEscaped(), this);
        auto *homePage = NamedLabel(QStringLiteral("lblHomePage"),
                                    QStringLiteral("Home page: ") + Link(texts.HomePage, texts.HomePage), this);
        auto *email = NamedLabel(QStringLiteral("lblEmail"),
                                 QStringLiteral("Support: ")
                                     + Link(QStringLiteral("mailto:") + texts.SupportEmail, texts.SupportEmail),
                                 this);
        for (QLabel *link : {homePage, email}) {
            link->setOpenExternalLinks(true);
            link->setTextInteractionFlags(Qt::TextBrowserInteraction);
            link->setWordWrap(true);
        }

        auto *heading = new QVBoxLayout;
        heading->setSpacing(4);
        for (QWidget *widget : {static_cast<QWidget *>(product), static_cast<QWidget *>(version),
                                static_cast<QWidget *>(maker), static_cast<QWidget *>(homePage),
                                static_cast<QWidget *>(email)})
            heading->addWidget(widget);
        heading->addStretch();
        auto *top = new QHBoxLayout;
        top->setSpacing(16);
        top->addWidget(emblem);
        top->addLayout(heading, 1);

        auto *licences = new QTextBrowser(this);
        licences->setObjectName(QStringLiteral("txtLicences"));
        licences->setOpenExternalLinks(true);
        licences->setHtml(LicenceHtml());

        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

        auto *layout = new QVBoxLayout(this);
        layout->addLayout(top);
        layout->addWidget(NamedLabel(QStringLiteral("lblLicences"), QStringLiteral("<b>Licences</b>"), this));
        layout->addWidget(licences, 1);
        layout->addWidget(buttons);
        resize(520, 460);
    }
};

} // namespace

extern "C" SONABRIX_COMPANION_EXPORT void ShowAboutForm(void *application, const SonabrixProductInfo *info)
{
    // The program hands its own application object; without one no window can exist.
    if (!application || !QApplication::instance())
        return;
    TAboutForm form(ReadInfo(info), QApplication::activeWindow());
    form.exec();
}
