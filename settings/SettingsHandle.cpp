#include "SettingsHandle.h"

#include "SettingsImpl.h"
#include "SettingsImplManager.h"

SettingsHandle::SettingsHandle(const QString &tag)
{
    if (SettingsImplManager *manager = SettingsImplManager::instance())
        m_impl = manager->implForTag(tag);
}

SettingsHandle::SettingsHandle(SettingsImpl *impl)
    : m_impl(impl, [](SettingsImpl *) {}) // not ours
{}

QString SettingsHandle::value(const QString &key, const QString &defaultValue) const
{
    return m_impl ? m_impl->value(key, defaultValue) : defaultValue;
}

void SettingsHandle::setValue(const QString &key, const QString &value, bool notify)
{
    if (!m_impl)
        return;
    if (notify) {
        if (SettingsImplManager *manager = SettingsImplManager::instance())
            manager->noteChange(key);
    }
    m_impl->setValue(key, value);
}

void SettingsHandle::clearDocument()
{
    if (m_impl)
        m_impl->document().clear();
}

bool SettingsHandle::save()
{
    if (!m_impl || !m_impl->isDirty())
        return true;
    if (!m_impl->save())
        return false;
    if (SettingsImplManager *manager = SettingsImplManager::instance())
        Q_EMIT manager->asyncEmitTagChanged();
    return true;
}
