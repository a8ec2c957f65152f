#include "SettingsImplManager.h"

#include "Log.h"
#include "SettingsImpl.h"

#include <appcommon/pubfunc.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMetaMethod>
#include <QThread>

#include <atomic>

namespace {

std::atomic<SettingsImplManager *> s_instance{nullptr};
std::atomic<bool> s_finalCleanUp{false};

// Destroys the manager when the engine library's static objects go, at process exit or when
// the library is unloaded, whichever comes first.
struct ExitReaper
{
    ~ExitReaper()
    {
        s_finalCleanUp.store(true);
        delete s_instance.exchange(nullptr);
    }
};

std::wstring wide(const QString &text)
{
    return text.toStdWString();
}

} // namespace

SettingsImplManager::SettingsImplManager()
{
    connect(this, &SettingsImplManager::asyncEmitTagChanged, this,
            &SettingsImplManager::on_asyncEmitTagChanged, Qt::QueuedConnection);
}

SettingsImplManager::~SettingsImplManager()
{
    // Unsaved changes are dropped on purpose: saving is the owners' decision, never a side
    // effect of shutting down.
    m_files.clear();
}

SettingsImplManager *SettingsImplManager::instance()
{
    if (s_finalCleanUp.load())
        return nullptr;
    if (SettingsImplManager *existing = s_instance.load())
        return existing;
    auto *fresh = new SettingsImplManager;
    SettingsImplManager *expected = nullptr;
    if (!s_instance.compare_exchange_strong(expected, fresh)) {
        delete fresh;
        return expected;
    }
    static ExitReaper reaper;
    // Dispatch runs from the GUI thread's event loop whoever asked first.
    if (QCoreApplication *app = QCoreApplication::instance()) {
        if (fresh->thread() != app->thread())
            fresh->moveToThread(app->thread());
    }
    return fresh;
}

QString SettingsImplManager::getFilenameForTag(const QString &tag)
{
    if (QDir::isAbsolutePath(tag))
        return tag;
    if (tag == QLatin1String("preview"))
        return QString::fromStdWString(pubfunc::getPreviewSettingFileName());
    logError(L"getFilenameForTag %ls is not an valid tag name.", wide(tag).c_str());
    return QString();
}

std::shared_ptr<SettingsImpl> SettingsImplManager::implForTag(const QString &tag)
{
    const QString name = getFilenameForTag(tag);
    if (std::shared_ptr<SettingsImpl> existing = m_files.value(name))
        return existing;
    auto impl = std::make_shared<SettingsImpl>(name);
    impl->load();
    m_files.insert(name, impl);
    return impl;
}

void SettingsImplManager::removeTag(const QString &tag)
{
    const QString name = getFilenameForTag(tag);
    m_files.remove(name);
    if (name.isEmpty())
        return;
    if (QFile::exists(name) && !QFile::remove(name))
        logError(L"SettingsImplManager::removeTag cannot delete %ls.", wide(name).c_str());
}

bool SettingsImplManager::closeAll()
{
    bool allSaved = true;
    for (auto it = m_files.begin(); it != m_files.end();) {
        const std::shared_ptr<SettingsImpl> &impl = it.value();
        if (impl && impl->isDirty() && !impl->save()) {
            allSaved = false;
            ++it;
            continue;
        }
        it = m_files.erase(it);
    }
    return allSaved;
}

void SettingsImplManager::noteChange(const QString &key)
{
    const int first = key.indexOf(QLatin1Char('/'));
    if (first < 0)
        return;
    const int second = key.indexOf(QLatin1Char('/'), first + 1);
    if (second < 0)
        return;
    m_pending.insert(key.left(second));
}

QStringList SettingsImplManager::pendingChanges() const
{
    return QStringList(m_pending.begin(), m_pending.end());
}

void SettingsImplManager::addObserver(const QString &keyPrefix, QObject *object,
                                      const QString &method)
{
    if (!object || method.isEmpty())
        return;
    m_observers[keyPrefix].append(Observer{object, method});
}

void SettingsImplManager::removeObserver(QObject *object)
{
    for (auto it = m_observers.begin(); it != m_observers.end(); ++it) {
        it->removeIf([object](const Observer &observer) {
            return !observer.object || observer.object == object;
        });
    }
}

void SettingsImplManager::on_asyncEmitTagChanged()
{
    const std::set<QString> pending = std::move(m_pending);
    m_pending.clear();
    const int firstOwnMethod = QObject::staticMetaObject.methodCount();
    for (const QString &prefix : pending) {
        for (auto it = m_observers.begin(); it != m_observers.end(); ++it) {
            if (prefix.startsWith(it.key()))
                it->removeIf([](const Observer &observer) { return !observer.object; });
        }
        // Keys and records are copied: an observer may add or remove observers while it runs.
        const QStringList keys = m_observers.keys();
        for (const QString &key : keys) {
            if (!prefix.startsWith(key))
                continue;
            const QList<Observer> records = m_observers.value(key);
            for (const Observer &record : records) {
                QObject *object = record.object.data();
                if (!object)
                    continue;
                const QMetaObject *meta = object->metaObject();
                const QByteArray wanted = record.method.toUtf8();
                for (int index = meta->methodCount() - 1; index >= firstOwnMethod; --index) {
                    const QMetaMethod method = meta->method(index);
                    if (method.name() == wanted) {
                        _invoke(object, method, QVariantList());
                        break;
                    }
                }
            }
        }
    }
}

QVariant SettingsImplManager::_invoke(QObject *object, const QMetaMethod &method,
                                      const QVariantList &values)
{
    if (!object || !method.isValid())
        return QVariant();
    const int parameterCount = method.parameterCount();
    if (parameterCount > values.size()) {
        logError(L"SettingsImplManager::_invoke No enough parameters for %s",
                 method.methodSignature().constData());
        return QVariant();
    }
    constexpr int MaxArguments = 10;
    if (parameterCount > MaxArguments) {
        logError(L"SettingsImplManager::_invoke %s takes more than %d parameters.",
                 method.methodSignature().constData(), MaxArguments);
        return QVariant();
    }
    QVariantList converted;
    for (int i = 0; i < parameterCount; ++i) {
        QVariant value = values.at(i);
        const QMetaType type = method.parameterMetaType(i);
        if (value.metaType() != type && !value.convert(type)) {
            logError(L"SettingsImplManager::_invoke %s: argument %d does not convert.",
                     method.methodSignature().constData(), i);
            return QVariant();
        }
        converted.append(value);
    }
    QGenericArgument arguments[MaxArguments];
    for (int i = 0; i < parameterCount; ++i)
        arguments[i] = QGenericArgument(converted.at(i).typeName(), converted.at(i).constData());

    QVariant result;
    const QMetaType returnType = method.returnMetaType();
    const bool hasResult = returnType.isValid() && returnType.id() != QMetaType::Void;
    if (hasResult)
        result = QVariant(returnType);
    QGenericReturnArgument returnArgument =
        hasResult ? QGenericReturnArgument(method.typeName(), result.data())
                  : QGenericReturnArgument();
    const bool ok =
        method.invoke(object, Qt::DirectConnection, returnArgument, arguments[0], arguments[1],
                      arguments[2], arguments[3], arguments[4], arguments[5], arguments[6],
                      arguments[7], arguments[8], arguments[9]);
    if (!ok) {
        logError(L"SettingsImplManager::_invoke calling %s failed.",
                 method.methodSignature().constData());
        return QVariant();
    }
    return result;
}
