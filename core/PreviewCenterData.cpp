#include "PreviewCenterData.h"

#include "Log.h"

#include <appcommon/pubfunc.h>

PreviewCenterData::PreviewCenterData(QObject *parent)
    : QObject(parent)
{}

PreviewCenterData::~PreviewCenterData() = default;

void PreviewCenterData::init()
{
    logInfo(L"PreviewCenterData::init");
}

void PreviewCenterData::clearSizes()
{
    setGameVideoSize(QSize(0, 0));
    setVideoSize(QSize(0, 0));
}

QString PreviewCenterData::settingFileName() const
{
    return QString::fromStdWString(pubfunc::getPreviewSettingFileName());
}
