#pragma once

#include "EngineLibrary.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTranslator>

#include <memory>

class ScreenshotBackdrop;

class QStandardItemModel;
class TipMessageWindow;
class UIBaseWindow;
class UIControl;

// previewhost --gallery: a window built from a layout file that shows every control of the GUI
// foundation and a list of 1,000 layers, so a person can try them. The list widget is the
// engine's, created by name from the layout once the engine library is loaded: a host reaches
// it through its meta-object only, as through any registered class.
class GallerySession : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        QString enginePath;
        // "zh-CN" loads <program dir>/language/zh-CN.qm; empty means English (en.qm).
        QString language;
        // What to show once the window is up: "" (the window), "tip", "combo" or "menu".
        QString state;
        // When set: save a screenshot of the windows there, then quit.
        QString screenshotFile;
    };

    explicit GallerySession(const Options &options);
    ~GallerySession() override;

    // Shows the gallery and runs until it closes. 0 on success, 1 when the window or the
    // screenshot cannot be made, 2 for an unknown state.
    int run();

    static QStringList states();

private Q_SLOTS:
    void on_tipButton_clicked();
    void on_menuButton_clicked();
    void on_cancelButton_clicked();
    void on_okButton_clicked();
    void on_transparenceSlider_valueChanged(int value);
    void on_layersList_sigDropItem(int from, int to);

private:
    void _fill();
    void _applyState();
    template<class T>
    T *_find(const char *name) const;

    Options m_options;
    EngineLibrary m_engine;
    QTranslator m_translator;
    QPointer<UIBaseWindow> m_window;
    QPointer<TipMessageWindow> m_tip;
    QStandardItemModel *m_layers = nullptr; // owned by the list once given to it
    int m_exitCode = 0;
    std::unique_ptr<ScreenshotBackdrop> m_backdrop; // under the windows of a screenshot
};
