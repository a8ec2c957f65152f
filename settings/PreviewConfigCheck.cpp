#include "PreviewConfigCheck.h"

#include "FontFamilies.h"
#include "IPreviewController.h"
#include "LayerConfigKeys.h"
#include "Log.h"
#include "PreviewCenterData.h"
#include "SettingsHandle.h"
#include "StoredValue.h"

#include <appcommon/pubfunc.h>

namespace {

enum StoredLayerType : uint { StoredPicture = 1, StoredText = 2, StoredGameVideo = 4 };

std::wstring wide(const QString &text)
{
    return text.toStdWString();
}

} // namespace

PreviewConfigCheck::PreviewConfigCheck(IPreviewController *controller, QObject *parent)
    : QObject(parent)
    , m_controller(controller)
    , m_timer(new QTimer(this))
{
    if (m_controller) {
        m_controller->connectFilterWordResults(this, [this](const std::string &taskId, bool valid) {
            onFilterWordResult(taskId, valid);
        });
    } else {
        logWarning(L"PreviewConfigCheck::PreviewConfigCheck no controller; filter-word answers "
                   L"will not arrive and every text check times out.");
    }
    connect(m_timer, &QTimer::timeout, this, &PreviewConfigCheck::onCheckFilterWordTimeOut);
    m_timer->setSingleShot(true);
    m_timer->setInterval(FilterWordTimeoutMs);
}

PreviewConfigCheck::~PreviewConfigCheck() = default;

PreviewConfigCheck::CheckResult PreviewConfigCheck::checkConfigValid()
{
    logInfo(L"PreviewConfigCheck::checkConfigValid");
    const PreviewCenterData *center = m_controller ? m_controller->centerData() : nullptr;
    const bool initDone = center && center->initDone();

    QString text;
    CheckResult result;
    {
        SettingsHandle handle(QString::fromStdWString(pubfunc::getPreviewSettingFileName()));
        result = checkStoredLayers(handle, initDone, &text);
        handle.save();
    }
    // Last: the host's handler may call anything, an unInit or a new init included.
    if (result == CHECK_PENDING)
        startFilterCheck(text);
    return result;
}

PreviewConfigCheck::CheckResult PreviewConfigCheck::checkStoredLayers(const SettingsHandle &handle,
                                                                      bool picturesFromDiskAllowed,
                                                                      QString *textToCheck)
{
    using namespace LayerConfigKeys;
    const QString countText = handle.value(layersNum());
    const uint count = countText.isEmpty() ? 0 : countText.toUInt(nullptr, 10);
    if (count < 1)
        return CHECK_LOAD;
    if (count > MaxStoredLayers) {
        logWarning(L"PreviewConfigCheck::checkConfigValid layersnum=%u is more than %u; the "
                   L"stored layout is not used.",
                   count, MaxStoredLayers);
        return CHECK_DEFAULTS;
    }

    int textCount = 0;
    int gameVideoCount = 0;
    QString lastText;
    for (uint i = 0; i < count; ++i) {
        const QString prefix = layerPrefix(i);
        switch (StoredValue::toUInt(handle.value(layerKey(prefix, "type")))) {
        case StoredPicture:
            if (!picturesFromDiskAllowed) {
                const QString path = handle.value(layerKey(prefix, "path"));
                if (!path.startsWith(QLatin1Char(':'))) {
                    logInfo(L"PreviewConfigCheck::checkConfigValid layer%u picture %ls is not "
                            L"a resource.",
                            i, wide(path).c_str());
                    return CHECK_DEFAULTS;
                }
            }
            break;
        case StoredText: {
            ++textCount;
            const QString family = handle.value(layerKey(prefix, "fontfamily"));
            if (!FontFamilies::isAcceptedFamily(family)) {
                logInfo(L"PreviewConfigCheck::checkConfigValid layer%u font family %ls is not "
                        L"accepted.",
                        i, wide(family).c_str());
                return CHECK_DEFAULTS;
            }
            const QString size = handle.value(layerKey(prefix, "fontsize"));
            if (!FontFamilies::isAcceptedPointSize(size)) {
                logInfo(L"PreviewConfigCheck::checkConfigValid layer%u font size %ls is not "
                        L"accepted.",
                        i, wide(size).c_str());
                return CHECK_DEFAULTS;
            }
            lastText = handle.value(layerKey(prefix, "text"));
            if (lastText.size() > MaxTextLength) {
                logInfo(L"PreviewConfigCheck::checkConfigValid layer%u text has %d characters, "
                        L"more than %d.",
                        i, static_cast<int>(lastText.size()), MaxTextLength);
                return CHECK_DEFAULTS;
            }
            break;
        }
        case StoredGameVideo:
            ++gameVideoCount;
            break;
        default:
            break;
        }
    }

    if (gameVideoCount > 1) {
        logInfo(L"PreviewConfigCheck::checkConfigValid %d game video layers.", gameVideoCount);
        return CHECK_DEFAULTS;
    }
    if (textCount == 0)
        return CHECK_LOAD;
    if (textCount > MaxTextLayers) {
        logInfo(L"PreviewConfigCheck::checkConfigValid %d text layers, more than %d.", textCount,
                MaxTextLayers);
        return CHECK_DEFAULTS;
    }
    if (textToCheck)
        *textToCheck = lastText;
    return CHECK_PENDING;
}

void PreviewConfigCheck::startFilterCheck(const QString &text)
{
    if (!m_pendingTaskId.empty())
        logWarning(L"PreviewConfigCheck::startFilterCheck supersedes the request still waiting.");
    m_timer->stop();
    m_timer->start();
    m_pendingTaskId = pubfunc::createGUID();
    if (!m_controller) {
        // Nobody can answer; the time-out will settle the check.
        logWarning(L"PreviewConfigCheck::startFilterCheck no engine to ask.");
        return;
    }
    // A copy: a host that answers during the call clears the pending id while later
    // receivers still read their argument.
    const std::string taskId = m_pendingTaskId;
    m_controller->requestFilterWordCheck(taskId, text.toStdWString());
}

void PreviewConfigCheck::onFilterWordResult(const std::string &taskId, bool bValid)
{
    const std::wstring id = pubfunc::toWideString(taskId.c_str(), static_cast<int>(taskId.size()),
                                                  pubfunc::CodePageSystem);
    logInfo(L"PreviewConfigCheck::onFilterWordResult taskId=%ls, bValid=%d", id.c_str(),
            bValid ? 1 : 0);
    // An empty id never matches: with nothing pending there is nothing to answer.
    if (m_pendingTaskId.empty() || taskId != m_pendingTaskId)
        return;
    m_timer->stop();
    m_pendingTaskId.clear();
    Q_EMIT sigCheckConfig(bValid);
}

void PreviewConfigCheck::cancel()
{
    m_timer->stop();
    m_pendingTaskId.clear();
}

void PreviewConfigCheck::onCheckFilterWordTimeOut()
{
    logInfo(L"PreviewConfigCheck::onCheckFilterWordTimeOut");
    if (m_pendingTaskId.empty())
        return;
    m_pendingTaskId.clear();
    Q_EMIT sigCheckConfig(false);
}
