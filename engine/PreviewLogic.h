#pragma once

#include "FrameRateAdjust.h"
#include "HostTypes.h"
#include "xsignals/xsignals.h"

#include <QGraphicsObject>
#include <QObject>
#include <QPointer>
#include <QSize>

#include <string>

class PreviewCenterData;
class PreviewCombineLogic;
class PreviewSetting;

// The engine's controller: owns the long-lived parts of the engine, turns host calls into
// actions, and hands host input to the compositing side through its signals. Lives on the GUI
// thread; only the input* functions run on the host's capture threads.
class PreviewLogic : public QObject, public xsignals::trackable
{
    Q_OBJECT

public:
    explicit PreviewLogic(QObject *parent = nullptr);
    ~PreviewLogic() override;

    // Game and camera frames: data, length in bytes, width, height, sample time.
    xsignals::signal<void(const char *, unsigned int, int, int, unsigned long)> sigGameVideoData;
    xsignals::signal<void(const char *, unsigned int, int, int, unsigned long)> sigCameraData;
    xsignals::signal<void(bool)> sigCamOpenStatus;

    virtual void inputGameVideoData(const char *data, unsigned int uLen, int width, int height,
                                    unsigned long sampleTime);
    virtual void inputCameraData(const char *data, unsigned int uLen, int width, int height,
                                 unsigned long sampleTime);
    virtual void inputCamOpenStatus(bool openStatus);

    void init(int fps);
    void unInit();
    void setVideoSize(int width, int height);
    void showPreview(QGraphicsObject *parent);
    void hidePreview();
    void emitFilterWordResult(const std::string &taskId, bool bValid);

    void openCamera(const std::wstring &name, tagSIZE size1, tagSIZE size2, bool flag);
    void closeCamera();

    QSize getPreviewSize() const;
    QSize getVideoSize() const;

    void addCameraLayer();
    void removeCameraLayers();
    void addTextLayer();
    void addImageLayer();

    PreviewCenterData *centerData() const { return m_centerData; }
    // The compositor, between init() and unInit(); null otherwise.
    PreviewCombineLogic *combine() const { return m_combine; }
    PreviewSetting *setting() const { return m_setting; }
    QGraphicsObject *previewParent() const { return m_parent; }
    const FrameRateAdjust &frameRate() const { return m_frameRate; }

Q_SIGNALS:
    void sigFilterWordResult(std::string taskId, bool bValid);

public Q_SLOTS:
    void onLoadFromConfigFinished();
    void onContainerClosed();

private:
    PreviewCenterData *m_centerData = nullptr;
    PreviewCombineLogic *m_combine = nullptr;
    PreviewSetting *m_setting = nullptr;
    bool m_uiLoadPending = false;
    QPointer<QGraphicsObject> m_parent;
    FrameRateAdjust m_frameRate;
};
