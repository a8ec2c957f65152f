#pragma once

#include <QByteArray>
#include <QPoint>
#include <QString>
#include <QtGlobal>

// What autosave_kill_host changes, step by step, and how tst_autosavekill tells from a stored
// file which step it holds. The stack is the game layer and two pictures, "a" and "b"; step n
// puts "a" at position(n), shows or hides it, and puts it above or below "b". Every step's
// layout differs from the one before, and a file holds one step exactly or is broken.
namespace AutosaveKillPlan {

constexpr int Columns = 500;
constexpr int Rows = 300;

inline QPoint position(qint64 step)
{
    return QPoint(int(step % Columns), int((step / Columns) % Rows));
}
// The step a position of "a" stands for (steps repeat after Columns x Rows).
inline qint64 stepAt(const QPoint &at)
{
    return qint64(at.y()) * Columns + at.x();
}
inline bool visible(qint64 step)
{
    return step % 3 != 1;
}
inline bool aAboveB(qint64 step)
{
    return (step / 2) % 2 == 0;
}

// Step 0, as the host finds it at start.
inline QByteArray initialLayout()
{
    return QByteArrayLiteral(
        "<?xml version=\"1.0\"?>\n<config><layers><parentwidth1>746</parentwidth1>"
        "<parentheight1>420</parentheight1>"
        "<layer0><type>4</type><alpha>100</alpha><pos>0,0</pos><size>746,420</size>"
        "<combine>1</combine></layer0>"
        "<layer1><type>1</type><path>:/theme/preview/edit.png</path><alpha>100</alpha>"
        "<caneditsize>1</caneditsize><pos>600,300</pos><size>40,30</size><combine>1</combine>"
        "<name>b</name></layer1>"
        "<layer2><type>1</type><path>:/theme/preview/delete.png</path><alpha>100</alpha>"
        "<caneditsize>1</caneditsize><pos>0,0</pos><size>40,30</size><combine>1</combine>"
        "<name>a</name></layer2>"
        "<layersnum>3</layersnum></layers></config>\n");
}

} // namespace AutosaveKillPlan
