#pragma once

#include <QObject>
#include <QPointer>
#include <QSizeF>

#include <memory>

class ILayerStack;
class IPreviewController;
class PreviewCenterData;
class PreviewConfigCheck;

// Keeps the preview's layer stack in the preview settings file: restores it into the compositor
// at start, once the stored text has passed the check, or creates the default stack (one game
// layer filling the scene); writes the whole stack back when the preview is hidden and at
// shutdown. Owned by the controller; GUI thread only.
class PreviewSetting : public QObject
{
    Q_OBJECT

public:
    // The controller gives the central data and, between its init and unInit, the layer stack.
    explicit PreviewSetting(IPreviewController *controller, QObject *parent = nullptr);
    ~PreviewSetting() override;

    void init();
    // Restores now, or starts the filter-word check and restores when it answers
    // (then sigLoadFromConfigFinished follows).
    void buildLayersFromFile();
    void saveLayersToFile();

    PreviewConfigCheck *check() const { return m_check.get(); }

Q_SIGNALS:
    void sigLoadFromConfigFinished();

public Q_SLOTS:
    void onCheckConfigResult(bool ret);

private:
    void _loadLayersToContainer();
    void _addBasicLayersToContainer();
    void _addDefaultGameLayer();
    // 420 units high at the output frame's aspect ratio; returns the size set.
    QSizeF _applySceneSize();
    QString _fileName() const;
    PreviewCenterData *_centerData() const;
    ILayerStack *_stack() const;

    IPreviewController *const m_controller;
    std::unique_ptr<PreviewConfigCheck> m_check;
};
