#pragma once

#include <QByteArray>

// The settings file of the default stack at the default output size: one game layer filling
// the 700 x 420 scene, unnamed. Byte for byte what pugixml writes, as hosts on Windows read it.
inline const QByteArray DefaultStackFile = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n"
                                           "<config>\n"
                                           "\t<layers>\n"
                                           "\t\t<parentwidth1>700</parentwidth1>\n"
                                           "\t\t<parentheight1>420</parentheight1>\n"
                                           "\t\t<layer0>\n"
                                           "\t\t\t<type>4</type>\n"
                                           "\t\t\t<alpha>100</alpha>\n"
                                           "\t\t\t<pos>0,0</pos>\n"
                                           "\t\t\t<size>700,420</size>\n"
                                           "\t\t\t<combine>1</combine>\n"
                                           "\t\t</layer0>\n"
                                           "\t\t<layersnum>1</layersnum>\n"
                                           "\t</layers>\n"
                                           "</config>\n";
