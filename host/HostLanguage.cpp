#include "HostLanguage.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>

namespace {

const QString Chinese = QStringLiteral("zh-CN");
const QString English = QStringLiteral("en");

} // namespace

QString HostLanguage::systemDefault()
{
    return QLocale::system().language() == QLocale::Chinese ? Chinese : English;
}

bool HostLanguage::isSupported(const QString &language)
{
    return language == Chinese || language == English;
}

HostLanguage::HostLanguage(const QString &language)
    : m_language(language == Chinese ? Chinese : English)
{}

HostLanguage::~HostLanguage()
{
    if (m_engineEnglishInstalled)
        QCoreApplication::removeTranslator(&m_engineEnglish);
    if (m_sourceTextsInstalled)
        QCoreApplication::removeTranslator(&m_sourceTexts);
    if (m_qtInstalled)
        QCoreApplication::removeTranslator(&m_qt);
    if (m_hostInstalled)
        QCoreApplication::removeTranslator(&m_host);
}

QString HostLanguage::_languageFolder()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("language"));
}

bool HostLanguage::installHostTranslation()
{
    if (m_language != Chinese)
        return true;
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    // Qt's own texts (file dialogs, standard buttons), when Debian's translations are installed.
    if (m_qt.load(QStringLiteral("qtbase_zh_CN"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        m_qtInstalled = QCoreApplication::installTranslator(&m_qt);
    }
    // Beside the engine's translation: <program dir>/language/.
    const QString folder = _languageFolder();
    if (!m_host.load(QStringLiteral("previewhost_zh-CN"), folder)) {
        qWarning("previewhost: no host translation in %s; the window stays in English",
                 qPrintable(QDir::toNativeSeparators(folder)));
        return false;
    }
    m_hostInstalled = QCoreApplication::installTranslator(&m_host);
    return m_hostInstalled;
}

void HostLanguage::overrideEngineTranslation()
{
    if (m_language != English || m_sourceTextsInstalled)
        return;
    // Translators are asked newest first: these answer before the engine's Chinese, the engine's
    // English first; its keys ("textedit", "tofirst") are no text for a streamer.
    m_sourceTextsInstalled = QCoreApplication::installTranslator(&m_sourceTexts);
    if (m_engineEnglish.load(QStringLiteral("en"), _languageFolder()))
        m_engineEnglishInstalled = QCoreApplication::installTranslator(&m_engineEnglish);
    else
        qWarning("previewhost: no en.qm in %s; the engine's windows show their source texts",
                 qPrintable(QDir::toNativeSeparators(_languageFolder())));
}

QString HostLanguage::SourceTexts::translate(const char *context, const char *sourceText,
                                             const char *disambiguation, int n) const
{
    Q_UNUSED(context)
    Q_UNUSED(disambiguation)
    Q_UNUSED(n)
    return QString::fromUtf8(sourceText);
}
