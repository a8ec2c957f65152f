#pragma once

#include "UITypeRegistry.h"

#include <QObject>

// Registers the class Product under a name for the builder, for example at namespace scope:
//     static const TypeElement<UIBaseWindow, QWidget> s_camera("CameraSettingWindow",
//         [](QWidget *parent) -> UIBaseWindow * { return new CameraSettingWindow(parent); },
//         UITypeRegistry::Window);
// (UIRegistration.h's UI_REGISTER_WINDOW and UI_REGISTER_CONTROL write this for you.)
// Product and Parent are QObject types; kind tells windows from controls. The registration
// lasts as long as the object.
template<class Product, class Parent>
class TypeElement
{
public:
    using Factory = Product *(*)(Parent *parent);

    TypeElement(const char *name, Factory factory,
                UITypeRegistry::Kind kind = UITypeRegistry::Control)
        : m_name(QString::fromUtf8(name))
        , m_kind(kind)
    {
        UITypeRegistry::registerType(
            kind, m_name,
            [factory](QObject *parent) -> QObject * {
                Parent *typedParent = qobject_cast<Parent *>(parent);
                // A parent of the wrong kind would be silently lost.
                if (parent && !typedParent)
                    return nullptr;
                return factory ? factory(typedParent) : nullptr;
            },
            this);
    }

    // The factory is code of the library that holds this object: it leaves the registry when
    // that library is unloaded.
    ~TypeElement() { UITypeRegistry::unregisterType(m_kind, m_name, this); }

    TypeElement(const TypeElement &) = delete;
    TypeElement &operator=(const TypeElement &) = delete;

private:
    QString m_name;
    UITypeRegistry::Kind m_kind;
};
