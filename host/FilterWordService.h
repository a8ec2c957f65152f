#pragma once

#include <previewengine/xsignals/xsignals.h>

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace ZqStudio {
class IPreviewEngine;
}

// The host's filter-word check. A text is valid when it contains none of the words, compared
// without regard to case. Requests are answered later on the GUI thread, never inside the
// emission that asked, as a real (remote) service would.
class FilterWordService : public xsignals::trackable
{
public:
    using Answer = std::function<void(const std::string &taskId, bool valid)>;

    // The resource holding the list that ships with the host.
    static QString defaultListPath();

    // Starts with the default list. Create and use it on the GUI thread.
    FilterWordService();
    ~FilterWordService() override;

    FilterWordService(const FilterWordService &) = delete;
    FilterWordService &operator=(const FilterWordService &) = delete;

    // Answers the engine's requests with onFilterWordResult.
    void attach(ZqStudio::IPreviewEngine *engine);
    // Stops answering; answers not yet given are dropped. Call before the engine is released.
    void detach();
    // Where answers go instead of an engine (replaces what attach() set).
    void setAnswer(Answer answer);

    // Replaces the list with the words of a UTF-8 file, one per line. On failure keeps the
    // current list and describes the problem in *error.
    bool loadFile(const QString &path, QString *error);
    void setWords(const QStringList &words);
    QStringList words() const { return m_words; }

    bool isValid(const QString &text) const;

    // Takes a request; the answer follows from the event loop.
    void request(const std::string &taskId, const std::wstring &text);

    std::int64_t requests() const { return m_requests; }
    std::int64_t answered() const { return m_answered; }

private:
    void onCheckFilterWord(const std::string &taskId, const std::wstring &text);
    void _answer(const std::string &taskId, const QString &text);

    QObject m_gui; // context of the posted answers; lives on the GUI thread
    Answer m_answerTo;
    QStringList m_words; // case-folded
    std::atomic<std::int64_t> m_requests{0};
    std::atomic<std::int64_t> m_answered{0};
};
