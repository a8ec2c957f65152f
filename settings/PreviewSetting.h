#pragma once

#include "SaveScheduler.h"

#include <QObject>
#include <QPointer>
#include <QSizeF>

#include <memory>

class AutosaveWriter;
class ILayerStack;
class IPreviewController;
class PreviewCenterData;
class PreviewConfigCheck;
class SettingsHandle;

// Keeps the preview's layer stack in the preview settings file: restores it into the compositor
// at start, once the stored text has passed the check, or creates the default stack (one game
// layer filling the scene); writes the whole stack back as the user changes it (autosave,
// within a second, on a thread of its own), when the preview is hidden and at shutdown. Owned
// by the controller; GUI thread only.
class PreviewSetting : public QObject
{
    Q_OBJECT

public:
    // How long hiding the preview and shutting down wait for their save to reach the disk.
    static constexpr int FinalSaveWaitMs = 2000;

    // The controller gives the central data and, between its init and unInit, the layer stack.
    explicit PreviewSetting(IPreviewController *controller, QObject *parent = nullptr);
    ~PreviewSetting() override;

    void init();
    // Restores now, or starts the filter-word check and restores when it answers
    // (then sigLoadFromConfigFinished follows).
    void buildLayersFromFile();
    // Writes the stack now, on this thread, unless the stored layout has not been restored
    // yet: a partial stack never replaces it. When the stored layout was not used (refused, not
    // answered, a layer dropped), the file it replaces is kept as "<file>.bak" first. An
    // autosave still being written cannot undo this save, however late it finishes.
    void saveLayersToFile();
    // The controller's unInit: abandons a restore under way, a check still waiting and an
    // autosave not yet taken.
    void stop();

    PreviewConfigCheck *check() const { return m_check.get(); }

Q_SIGNALS:
    void sigLoadFromConfigFinished();
    // A stored picture layer was left out of the restored stack: its file is not a picture
    // that can be shown (gone, not a regular file, damaged).
    void sigStoredPictureLeftOut(QString path);

public Q_SLOTS:
    void onCheckConfigResult(bool ret);
    // Something the stored layout holds may have changed (the compositor says so, for every
    // layer added, deleted, moved, or changed through its item). The stack is written within
    // about a second once the stored layout is restored, while the layers are editable and no
    // edit is open (an edit counts once confirmed); unchanged content is not written again.
    void onLayersChanged();

private:
    void _autosave();
    // The stored layout is restored, the layers are editable and there is a stack.
    bool _mayWrite() const;
    // Empties handle's document and writes the stack into it; returns the number of layers.
    uint _writeLayout(SettingsHandle &handle, bool notify) const;
    // The stack as the file would hold it.
    QByteArray _layoutBytes() const;
    void _loadLayersToContainer();
    void _addBasicLayersToContainer();
    void _addDefaultGameLayer();
    // The stored layout is not (wholly) used: the next save keeps the file as a backup.
    void _keepStoredLayout(const QString &reason);
    bool _backUpStoredLayout(const QString &fileName);
    // Reads stored layer i and adds it to the stack; false when it was dropped.
    bool _restoreLayer(ILayerStack *stack, const SettingsHandle &handle, uint i);
    // 420 units high at the output frame's aspect ratio; returns the size set.
    QSizeF _applySceneSize();
    QString _fileName() const;
    PreviewCenterData *_centerData() const;
    ILayerStack *_stack() const;

    IPreviewController *const m_controller;
    std::unique_ptr<PreviewConfigCheck> m_check;
    // Counts stop()s: a restore that sees it change while the host ran stops touching anything.
    quint64 m_epoch = 0;
    bool m_restoring = false;
    QString m_backupReason; // why the stored layout was not used; empty when it was
    SaveScheduler m_autosave;
    std::unique_ptr<AutosaveWriter> m_writer; // created by the first autosave
};
