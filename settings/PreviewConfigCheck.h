#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <string>

class IPreviewController;
class SettingsHandle;

// Decides at start whether the stored layer layout may be restored: checks the stored values
// locally and has the host's filter-word service accept the stored text. GUI thread only.
class PreviewConfigCheck : public QObject
{
    Q_OBJECT

public:
    enum CheckResult {
        CHECK_LOAD = 0,     // restore the stored layers
        CHECK_DEFAULTS = 1, // do not restore; create the default layer
        CHECK_PENDING = 2   // the answer follows as sigCheckConfig()
    };
    Q_ENUM(CheckResult)

    // The longest stored text accepted, in UTF-16 units as the text editor counts them.
    static constexpr int MaxTextLength = 30;
    static constexpr int MaxTextLayers = 5;
    // Far beyond any real layout; a larger count is damage and is not walked.
    static constexpr uint MaxStoredLayers = 256;
    static constexpr int FilterWordTimeoutMs = 1000;

    // Texts are sent to the host, and its answers come back, through controller.
    explicit PreviewConfigCheck(IPreviewController *controller, QObject *parent = nullptr);
    ~PreviewConfigCheck() override;

    // Checks the preview settings file. CHECK_PENDING means exactly one sigCheckConfig()
    // follows. A new pending check supersedes one still waiting: the earlier request is
    // abandoned and the one signal answers the latest check.
    CheckResult checkConfigValid();
    // Sends text to the host's filter-word service and starts waiting for the answer.
    void startFilterCheck(const QString &text);

    // Abandons a check still waiting: no sigCheckConfig follows, a late answer is ignored.
    void cancel();
    bool isPending() const { return !m_pendingTaskId.empty(); }
    std::string pendingTaskId() const { return m_pendingTaskId; }

    // The local part of the check on any store: CHECK_LOAD or CHECK_DEFAULTS when the local
    // checks decide, CHECK_PENDING with the text to send in textToCheck otherwise. Pictures
    // must be resources (":...") unless picturesFromDiskAllowed.
    static CheckResult checkStoredLayers(const SettingsHandle &handle, bool picturesFromDiskAllowed,
                                         QString *textToCheck);

Q_SIGNALS:
    void sigCheckConfig(bool valid);

public Q_SLOTS:
    void onFilterWordResult(const std::string &taskId, bool bValid);
    void onCheckFilterWordTimeOut();

private:
    IPreviewController *const m_controller;
    std::string m_pendingTaskId;
    QTimer *m_timer = nullptr;
};
