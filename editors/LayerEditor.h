#pragma once

#include "BasicLayerData.h"
#include "EditorSupport.h"
#include "ILayerEditor.h"

#include <guifoundation/UIBaseWindow.h>

#include <QPointer>

#include <utility>

// The edit protocol of the layer editors, written once. An editor window Window (a UIBaseWindow
// that declares the signals confirmed(BasicLayerData*) and discarded(BasicLayerData*)) edits
// records of kind Record and adds this as a base. It ends its edit only through done(), which
// sends exactly one of the two signals, hands the record over with it, and closes the window.
// Closing the window any other way (the close button, Escape, the scene) ends the edit as a
// discard.
template<typename Window, typename Record>
class LayerEditor : public ILayerEditor
{
public:
    enum class Result { Confirmed, Discarded };

    UIBaseWindow *window() override { return m_window; }

    void connectEnds(QObject *context, EndHandler onConfirmed, EndHandler onDiscarded) override
    {
        auto *self = static_cast<Window *>(this);
        QObject::connect(self, &Window::confirmed, context, std::move(onConfirmed));
        QObject::connect(self, &Window::discarded, context, std::move(onDiscarded));
    }

protected:
    // window is the editor itself, seen as the window it already is while its own part is
    // still being built.
    LayerEditor(UIBaseWindow *window, int layerType)
        : m_window(window)
        , m_layerType(layerType)
    {
        // Connected before the window's own setup can connect anything, so every receiver of
        // aboutToClose runs after the edit has ended.
        QObject::connect(window, &UIBaseWindow::aboutToClose, window, [this] {
            m_closing = true;
            done(Result::Discarded);
        });
    }
    ~LayerEditor() = default;

    // Keeps record when it is a layer of this editor's kind that is still in the scene. Any
    // other record ends the edit at once: the window closes and discards a null record.
    bool takeRecord(BasicLayerData *record, const IPreviewController *controller)
    {
        if (m_ended)
            return false;
        if (!EditorSupport::isEditableRecord(m_window, record, m_layerType, controller)) {
            m_record = nullptr;
            done(Result::Discarded);
            return false;
        }
        m_record = static_cast<Record *>(record);
        return true;
    }

    // The record being edited; null before takeRecord and once the edit has ended.
    Record *record() const { return m_record; }
    bool hasEnded() const { return m_ended; }

    // The single exit: sends confirmed or discarded with the record, once, then closes the
    // window unless it is closing already. Later calls do nothing.
    void done(Result result)
    {
        if (m_ended)
            return;
        m_ended = true;
        Record *handedOver = std::exchange(m_record, nullptr);
        auto *self = static_cast<Window *>(this);
        if (result == Result::Discarded && handedOver)
            rollBack(*handedOver);
        // A receiver may close or delete the window.
        const QPointer<Window> alive(self);
        if (result == Result::Confirmed)
            Q_EMIT self->confirmed(handedOver);
        else
            Q_EMIT self->discarded(handedOver);
        if (alive && !m_closing)
            self->close();
    }

    // Puts back what the editor wrote into record beyond the layer itself, before a discard
    // hands it over.
    virtual void rollBack(Record &record) { Q_UNUSED(record) }

private:
    UIBaseWindow *const m_window;
    Record *m_record = nullptr;
    const int m_layerType;
    bool m_ended = false;
    bool m_closing = false;
};
