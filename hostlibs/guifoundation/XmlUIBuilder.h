#pragma once

#include "guifoundation_global.h"

#include <QList>
#include <QString>

class QObject;
class QWidget;
class UIBaseWindow;

// Builds windows from layout files. The grammar is described in docs/layout-files.md.
//
// The root element names a registered window class; every child element names a registered
// control class or one of Row, Column, Spacer and Stretch. After the controls exist the builder
// calls the window's setupUi() once, then connects each of the window's slots named
// on_<objectName>_<signal>(...) to that signal of the control with that object name. Texts
// (text, title, toolTip, placeholder) are translated with the root element's name as context.
//
// Problems (a file that cannot be read, broken XML, an unknown element, a missing image, a
// malformed attribute) are reported through UILog with file, line and reason; the builder
// builds everything else.
class GUIFOUNDATION_EXPORT XmlUIBuilder
{
public:
    // The new window, or null when the file cannot be read or its root element names no
    // registered window class. parent becomes the window's parent widget.
    static UIBaseWindow *createFromFile(const QString &path, QWidget *parent = nullptr);

    struct Text
    {
        QString context; // the root element's name
        QString source;  // the text as written in the layout
        int line = 0;
    };
    // The translatable texts of a layout file, in file order (for translation tooling).
    static QList<Text> translatableTexts(const QString &path);

    // Connects every slot of receiver named on_<objectName>_<signal>(args) to the signal of
    // the first object in senders with that object name whose signal's arguments fit. A
    // connection that exists already is not made twice. Returns the number made.
    static int connectSlotsByName(QObject *receiver, const QList<QObject *> &senders);
};
