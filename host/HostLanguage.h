#pragma once

#include <QString>
#include <QTranslator>

// The language of the host's window: Chinese ("zh-CN") or English ("en"). Chinese loads the
// host's own translation and Qt's beside the engine's, which the engine installs by itself.
// The engine installs its Chinese translation whatever the host wants, so an English host puts
// the engine's English (language/en.qm), and the source texts for anything it lacks, in front of
// it once the engine exists.
class HostLanguage
{
public:
    // "zh-CN" when the system's language is Chinese, else "en".
    static QString systemDefault();
    static bool isSupported(const QString &language);

    // language: "zh-CN" or "en"; anything else counts as "en".
    explicit HostLanguage(const QString &language);
    ~HostLanguage();

    HostLanguage(const HostLanguage &) = delete;
    HostLanguage &operator=(const HostLanguage &) = delete;

    QString language() const { return m_language; }

    // Before the engine is created. False when the host's translation is missing (the host then
    // shows English texts and says so on standard error).
    bool installHostTranslation();
    // After createPreviewEngine.
    void overrideEngineTranslation();

private:
    static QString _languageFolder();

    // Answers every text with its source text, so translators installed before it are not asked.
    class SourceTexts : public QTranslator
    {
    public:
        QString translate(const char *context, const char *sourceText, const char *disambiguation,
                          int n) const override;
        bool isEmpty() const override { return false; }
    };

    const QString m_language;
    QTranslator m_host;
    QTranslator m_qt;
    SourceTexts m_sourceTexts;
    QTranslator m_engineEnglish;
    bool m_hostInstalled = false;
    bool m_qtInstalled = false;
    bool m_sourceTextsInstalled = false;
    bool m_engineEnglishInstalled = false;
};
