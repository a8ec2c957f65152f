#pragma once

#include "UITypeRegistry.h"

#include <QObject>

// Registers the class Product under a name for the builder, for example at namespace scope:
//     static TypeElement<UIBaseWindow, UIBaseWindow> s_camera("CameraSettingWindow",
//         [](UIBaseWindow *parent) -> UIBaseWindow * { return new CameraSettingWindow(parent); });
// Product and Parent are QObject types; kind tells windows from controls.
template<class Product, class Parent>
class TypeElement
{
public:
    using Factory = Product *(*)(Parent *parent);

    TypeElement(const char *name, Factory factory,
                UITypeRegistry::Kind kind = UITypeRegistry::Control)
    {
        UITypeRegistry::registerType(kind, QString::fromUtf8(name),
                                     [factory](QObject *parent) -> QObject * {
                                         Parent *typedParent = qobject_cast<Parent *>(parent);
                                         // A parent of the wrong kind would be silently lost.
                                         if (parent && !typedParent)
                                             return nullptr;
                                         return factory ? factory(typedParent) : nullptr;
                                     });
    }
};
