#pragma once

#include "BasicLayerData.h"
#include "ILayerEditorFactory.h"

#include <guifoundation/UIBaseWindow.h>

#include <QApplication>
#include <QGraphicsView>
#include <QMouseEvent>
#include <QPointer>

#include <functional>

class FakeEditorFactory;

// An editor window that hands what the scene gives it to its factory.
class FakeEditor : public UIBaseWindow, public ILayerEditor
{
public:
    FakeEditor(FakeEditorFactory *factory, QWidget *parent)
        : UIBaseWindow(parent)
        , m_factory(factory)
    {}
    UIBaseWindow *window() override { return this; }
    inline void setLayerData(BasicLayerData *data) override;
    inline void connectEnds(QObject *context, EndHandler onConfirmed,
                            EndHandler onDiscarded) override;

private:
    FakeEditorFactory *m_factory;
};

// Stands in for the editor windows: records what the scene asks for and lets a test answer as
// the user would, with OK or Cancel.
class FakeEditorFactory : public ILayerEditorFactory
{
public:
    ILayerEditor *createEditor(int layerType, QWidget *parent) override
    {
        types.append(layerType);
        auto *window = new FakeEditor(this, parent);
        editor = window;
        return window;
    }
    UIBaseWindow *createLayersManager(QWidget *parent, PreviewContainer *, RelayoutLogic *) override
    {
        manager = new UIBaseWindow(parent);
        return manager;
    }
    void setLayerEntries(UIBaseWindow *, const QList<LayerEntry> &list) override { entries = list; }

    // The user pressing OK or Cancel: the editor reports and closes.
    void confirm()
    {
        BasicLayerData *data = record;
        if (editor)
            editor->close();
        confirmed(data);
    }
    void discard()
    {
        BasicLayerData *data = record;
        if (editor)
            editor->close();
        discarded(data);
    }

    QList<int> types;
    QPointer<UIBaseWindow> editor;
    QPointer<UIBaseWindow> manager;
    BasicLayerData *record = nullptr;
    QList<LayerEntry> entries;
    std::function<void(BasicLayerData *)> confirmed;
    std::function<void(BasicLayerData *)> discarded;
};

void FakeEditor::setLayerData(BasicLayerData *data)
{
    m_factory->record = data;
}

void FakeEditor::connectEnds(QObject *, EndHandler onConfirmed, EndHandler onDiscarded)
{
    m_factory->confirmed = std::move(onConfirmed);
    m_factory->discarded = std::move(onDiscarded);
}

// Mouse input as a user gives it, through the view's viewport, with modifiers on every event.
class Mouse
{
public:
    explicit Mouse(QGraphicsView *view)
        : m_view(view)
    {}

    void press(const QPointF &scenePos, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers modifiers = {})
    {
        m_buttons |= button;
        send(QEvent::MouseButtonPress, scenePos, button, modifiers);
    }
    void move(const QPointF &scenePos, Qt::KeyboardModifiers modifiers = {})
    {
        send(QEvent::MouseMove, scenePos, Qt::NoButton, modifiers);
    }
    void release(const QPointF &scenePos, Qt::MouseButton button = Qt::LeftButton,
                 Qt::KeyboardModifiers modifiers = {})
    {
        m_buttons &= ~button;
        send(QEvent::MouseButtonRelease, scenePos, button, modifiers);
    }
    void click(const QPointF &scenePos, Qt::MouseButton button = Qt::LeftButton)
    {
        press(scenePos, button);
        release(scenePos, button);
    }
    void drag(const QPointF &from, const QPointF &to, Qt::KeyboardModifiers modifiers = {})
    {
        press(from, Qt::LeftButton, modifiers);
        move(to, modifiers);
        release(to, Qt::LeftButton, modifiers);
    }

private:
    void send(QEvent::Type type, const QPointF &scenePos, Qt::MouseButton button,
              Qt::KeyboardModifiers modifiers)
    {
        QWidget *viewport = m_view->viewport();
        const QPointF local = m_view->mapFromScene(scenePos);
        QMouseEvent event(type, local, viewport->mapToGlobal(local), button, m_buttons, modifiers);
        QApplication::sendEvent(viewport, &event);
    }

    QGraphicsView *m_view;
    Qt::MouseButtons m_buttons;
};
