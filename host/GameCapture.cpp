#include "GameCapture.h"

#include "GameSource.h"
#include "ScreenCapture.h"
#include "VideoFileCapture.h"

std::unique_ptr<GameCapture> GameCapture::create(const QString &game, const QSize &testSize,
                                                 int fps)
{
    if (game.isEmpty())
        return std::make_unique<GameSource>(testSize, fps);
    if (game == QLatin1String("desktop"))
        return std::make_unique<ScreenCapture>(fps);
    return std::make_unique<VideoFileCapture>(game);
}
