#include "FilterWordService.h"

#include <previewengine/IPreviewEngine.h>

#include <QFile>
#include <QMetaObject>
#include <QStringDecoder>

// Outside any namespace, as the resource initialiser's declaration requires.
static void initPreviewHostResources()
{
    // The list is a resource of a static library, which the linker would otherwise drop.
    Q_INIT_RESOURCE(previewhost);
}

namespace {

// A word list is a short text file; anything much larger is the wrong file.
constexpr qint64 MaxListBytes = 4 * 1024 * 1024;

bool parseList(const QByteArray &bytes, QStringList *words, QString *error)
{
    if (bytes.contains('\0')) {
        *error = QStringLiteral("it is not a text file");
        return false;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        *error = QStringLiteral("it is not valid UTF-8");
        return false;
    }
    words->clear();
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed();
        if (line.startsWith(QChar(0xFEFF)))
            line = line.mid(1).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        words->append(line);
    }
    return true;
}

} // namespace

QString FilterWordService::defaultListPath()
{
    return QStringLiteral(":/previewhost/filterwords.txt");
}

FilterWordService::FilterWordService()
{
    initPreviewHostResources();
    QString error;
    if (!loadFile(defaultListPath(), &error))
        qWarning("previewhost: the built-in filter-word list is unusable: %s", qPrintable(error));
}

FilterWordService::~FilterWordService()
{
    disconnect_all();
}

void FilterWordService::attach(ZqStudio::IPreviewEngine *engine)
{
    if (!engine)
        return;
    engine->sigCheckFilterWord.connect(this, &FilterWordService::onCheckFilterWord);
    m_answerTo = [engine](const std::string &taskId, bool valid) {
        engine->onFilterWordResult(taskId, valid);
    };
}

void FilterWordService::detach()
{
    disconnect_all();
    m_answerTo = nullptr;
}

void FilterWordService::setAnswer(Answer answer)
{
    m_answerTo = std::move(answer);
}

bool FilterWordService::loadFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.size() > MaxListBytes) {
        *error = QStringLiteral("%1 is too large for a word list").arg(path);
        return false;
    }
    QStringList words;
    QString problem;
    if (!parseList(file.readAll(), &words, &problem)) {
        *error = QStringLiteral("cannot use %1: %2").arg(path, problem);
        return false;
    }
    if (words.isEmpty())
        qWarning("previewhost: %s holds no words; every text will pass", qPrintable(path));
    setWords(words);
    return true;
}

void FilterWordService::setWords(const QStringList &words)
{
    m_words.clear();
    for (const QString &word : words) {
        const QString folded = word.trimmed().toCaseFolded();
        if (!folded.isEmpty() && !m_words.contains(folded))
            m_words.append(folded);
    }
}

bool FilterWordService::isValid(const QString &text) const
{
    const QString folded = text.toCaseFolded();
    for (const QString &word : m_words) {
        if (folded.contains(word))
            return false;
    }
    return true;
}

void FilterWordService::request(const std::string &taskId, const std::wstring &text)
{
    ++m_requests;
    // Copies travel with the posted call: the caller's references die with the emission.
    QMetaObject::invokeMethod(
        &m_gui, [this, taskId, copy = QString::fromStdWString(text)] { _answer(taskId, copy); },
        Qt::QueuedConnection);
}

void FilterWordService::onCheckFilterWord(const std::string &taskId, const std::wstring &text)
{
    request(taskId, text);
}

void FilterWordService::_answer(const std::string &taskId, const QString &text)
{
    if (!m_answerTo)
        return;
    ++m_answered;
    m_answerTo(taskId, isValid(text));
}
