#include "EncodedVideoWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef PREVIEWHOST_HAVE_GSTREAMER
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#endif

namespace {

bool isWebm(const QString &path)
{
    return path.endsWith(QLatin1String(".webm"), Qt::CaseInsensitive);
}

} // namespace

struct EncodedVideoWriter::Pipeline
{
#ifdef PREVIEWHOST_HAVE_GSTREAMER
    GstElement *pipeline = nullptr;
    GstElement *source = nullptr;
    GstBus *bus = nullptr;

    ~Pipeline()
    {
        if (pipeline)
            gst_element_set_state(pipeline, GST_STATE_NULL);
        if (bus)
            gst_object_unref(bus);
        if (source)
            gst_object_unref(source);
        if (pipeline)
            gst_object_unref(pipeline);
    }
#endif
};

EncodedVideoWriter::EncodedVideoWriter(const QString &path, int fps, int poolSlots)
    : FrameWriter(fps, poolSlots)
    , m_path(path)
{}

EncodedVideoWriter::~EncodedVideoWriter()
{
    finish();
    delete m_pipeline;
}

bool EncodedVideoWriter::handles(const QString &path)
{
    return isWebm(path) || path.endsWith(QLatin1String(".mkv"), Qt::CaseInsensitive);
}

QString EncodedVideoWriter::_picturePath() const
{
    const QFileInfo file(m_path);
    return file.dir().filePath(file.completeBaseName() + QStringLiteral(".png"));
}

bool EncodedVideoWriter::_prepare(QString *error)
{
#ifdef PREVIEWHOST_HAVE_GSTREAMER
    GError *initError = nullptr;
    if (!gst_init_check(nullptr, nullptr, &initError)) {
        *error = QStringLiteral("cannot encode %1: GStreamer does not start: %2")
                     .arg(m_path, QString::fromUtf8(initError ? initError->message : "?"));
        g_clear_error(&initError);
        return false;
    }
    struct Needed
    {
        const char *element;
        const char *package;
    };
    const Needed needed[] = {
        {"appsrc", "gstreamer1.0-plugins-base"},
        {"videoconvert", "gstreamer1.0-plugins-base"},
        {"videoscale", "gstreamer1.0-plugins-base"},
        {"vp8enc", "gstreamer1.0-plugins-good"},
        {isWebm(m_path) ? "webmmux" : "matroskamux", "gstreamer1.0-plugins-good"},
        {"filesink", "libgstreamer1.0-0"}};
    for (const Needed &n : needed) {
        GstElementFactory *factory = gst_element_factory_find(n.element);
        if (!factory) {
            *error = QStringLiteral("cannot encode %1: the GStreamer element %2 is missing "
                                    "(Debian package %3)")
                         .arg(m_path, QLatin1String(n.element), QLatin1String(n.package));
            return false;
        }
        gst_object_unref(factory);
    }
    const QFileInfo file(m_path);
    if (!QDir().mkpath(file.absolutePath())) {
        *error = QStringLiteral("cannot create the folder %1").arg(file.absolutePath());
        return false;
    }
    // Fail now, not on the writer thread, when the file cannot be written; and leave no
    // earlier run's picture beside it.
    QFile probe(m_path);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QStringLiteral("cannot write %1: %2").arg(m_path, probe.errorString());
        return false;
    }
    probe.close();
    QFile::remove(_picturePath());
    return true;
#else
    *error = QStringLiteral("cannot encode %1: this previewhost was built without GStreamer; "
                            "write Y4M with --output FOLDER")
                 .arg(m_path);
    return false;
#endif
}

void EncodedVideoWriter::_beginStream(int width, int height)
{
#ifdef PREVIEWHOST_HAVE_GSTREAMER
    GstCaps *caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", "width",
                                        G_TYPE_INT, width, "height", G_TYPE_INT, height,
                                        "framerate", GST_TYPE_FRACTION, m_fps, 1, nullptr);
    if (m_pipeline) {
        // The file keeps its first size; the scaler follows the new input size.
        qInfo("previewhost: output size is now %dx%d; %s keeps its size, the frames are scaled",
              width, height, qPrintable(m_path));
        gst_app_src_set_caps(GST_APP_SRC(m_pipeline->source), caps);
        gst_caps_unref(caps);
        return;
    }
    const QString description =
        QStringLiteral("appsrc name=source format=time block=true ! videoconvert ! videoscale ! "
                       "video/x-raw,width=%1,height=%2 ! "
                       "vp8enc deadline=1 cpu-used=8 threads=2 target-bitrate=%3 ! %4 ! "
                       "filesink name=file")
            .arg(width)
            .arg(height)
            .arg(qBound(500000, width * height * 4, 20000000))
            .arg(isWebm(m_path) ? QStringLiteral("webmmux") : QStringLiteral("matroskamux"));
    GError *parseError = nullptr;
    GstElement *pipeline = gst_parse_launch(description.toUtf8().constData(), &parseError);
    if (!pipeline || parseError) {
        qWarning("previewhost: cannot encode %s: %s", qPrintable(m_path),
                 parseError ? parseError->message : "no pipeline");
        g_clear_error(&parseError);
        if (pipeline)
            gst_object_unref(pipeline);
        gst_caps_unref(caps);
        m_broken = true;
        return;
    }
    m_pipeline = new Pipeline;
    m_pipeline->pipeline = pipeline;
    m_pipeline->source = gst_bin_get_by_name(GST_BIN(pipeline), "source");
    m_pipeline->bus = gst_element_get_bus(pipeline);
    GstElement *fileSink = gst_bin_get_by_name(GST_BIN(pipeline), "file");
    g_object_set(fileSink, "location", QFile::encodeName(m_path).constData(), nullptr);
    gst_object_unref(fileSink);
    gst_app_src_set_caps(GST_APP_SRC(m_pipeline->source), caps);
    gst_caps_unref(caps);
    // A few frames queued before the writer thread waits for the encoder; the frame pool in
    // front absorbs bursts and counts what it cannot take.
    gst_app_src_set_max_bytes(GST_APP_SRC(m_pipeline->source),
                              guint64(width) * guint64(height) * 4 * 4);
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        _checkBus();
        qWarning("previewhost: cannot encode %s: the pipeline does not start", qPrintable(m_path));
        m_broken = true;
        return;
    }
    _addStream(m_path);
#else
    Q_UNUSED(width)
    Q_UNUSED(height)
#endif
}

bool EncodedVideoWriter::_writeFrame(const FramePool::Frame &frame)
{
#ifdef PREVIEWHOST_HAVE_GSTREAMER
    if (m_broken || !m_pipeline || !_checkBus())
        return false;
    const gsize bytes = gsize(frame.width) * gsize(frame.height) * 4;
    GstBuffer *buffer = gst_buffer_new_allocate(nullptr, bytes, nullptr);
    if (!buffer)
        return false;
    gst_buffer_fill(buffer, 0, frame.pixels.data(), bytes);
    GST_BUFFER_PTS(buffer) =
        gst_util_uint64_scale(guint64(m_frameIndex), GST_SECOND, guint64(m_fps));
    GST_BUFFER_DURATION(buffer) = gst_util_uint64_scale(1, GST_SECOND, guint64(m_fps));
    ++m_frameIndex;
    // Takes the buffer; blocks while the encoder is behind.
    return gst_app_src_push_buffer(GST_APP_SRC(m_pipeline->source), buffer) == GST_FLOW_OK;
#else
    Q_UNUSED(frame)
    return false;
#endif
}

bool EncodedVideoWriter::_checkBus()
{
#ifdef PREVIEWHOST_HAVE_GSTREAMER
    GstMessage *message = gst_bus_pop_filtered(m_pipeline->bus, GST_MESSAGE_ERROR);
    if (!message)
        return true;
    GError *error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    qWarning("previewhost: cannot encode %s: %s", qPrintable(m_path),
             error ? error->message : "unknown GStreamer error");
    g_clear_error(&error);
    gst_message_unref(message);
    m_broken = true;
#endif
    return false;
}

void EncodedVideoWriter::_endStream()
{
#ifdef PREVIEWHOST_HAVE_GSTREAMER
    if (!m_pipeline)
        return;
    if (!m_broken) {
        // The muxer writes the file's index at the end of the stream: wait for it, but not
        // forever.
        gst_app_src_end_of_stream(GST_APP_SRC(m_pipeline->source));
        GstMessage *message = gst_bus_timed_pop_filtered(
            m_pipeline->bus, 10 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        if (!message) {
            qWarning("previewhost: %s: the encoder did not finish within 10 s", qPrintable(m_path));
        } else {
            if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
                GError *error = nullptr;
                gst_message_parse_error(message, &error, nullptr);
                qWarning("previewhost: cannot finish %s: %s", qPrintable(m_path),
                         error ? error->message : "unknown GStreamer error");
                g_clear_error(&error);
            }
            gst_message_unref(message);
        }
    }
    delete m_pipeline;
    m_pipeline = nullptr;
#endif
}
