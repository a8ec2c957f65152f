#include "XmlUIBuilder.h"

#include "UIBaseWindow.h"
#include "UIBaseWindow_p.h"
#include "UIControl.h"
#include "UILog.h"
#include "UITheme.h"
#include "UITypeRegistry.h"
#include "UIWindow.h"

#include <QCoreApplication>
#include <QFile>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <memory>
#include <optional>
#include <vector>

namespace {

// Bounds that keep a hostile file from exhausting the stack or memory.
constexpr qint64 MaxFileSize = 4 * 1024 * 1024;
constexpr int MaxDepth = 48;
constexpr int MaxElements = 4000;
constexpr qreal MaxExtent = 16384;

struct Element
{
    QString name;
    QXmlStreamAttributes attributes;
    int line = 0;
    std::vector<std::unique_ptr<Element>> children;
};

const QStringList &translatableAttributes()
{
    static const QStringList names = {QStringLiteral("text"), QStringLiteral("title"),
                                      QStringLiteral("toolTip"), QStringLiteral("placeholder")};
    return names;
}

class Build
{
public:
    explicit Build(const QString &path)
        : m_path(path)
    {}

    std::unique_ptr<Element> parse();
    UIBaseWindow *createWindow(const Element &root, QWidget *parent);
    QList<XmlUIBuilder::Text> texts(const Element &root) const;

private:
    void _report(int line, const QString &reason) const;
    void _buildChildren(const Element &element, UIControl *parent, int depth);
    void _buildChild(const Element &element, UIControl *parent, int depth);
    void _applyControlAttributes(const Element &element, UIControl *control);
    bool _applyCommon(const Element &element, const QString &name, const QString &value,
                      UIControl *control);
    void _applyWindowAttributes(const Element &element, UIBaseWindow *window);
    bool _setProperty(const Element &element, QObject *object, const QString &name,
                      const QString &value);
    QString _translated(const QString &text) const;
    void _collectTexts(const Element &element, QList<XmlUIBuilder::Text> *texts) const;

    std::optional<qreal> _number(const Element &e, const QString &name, const QString &value,
                                 qreal minimum, qreal maximum);
    std::optional<QSizeF> _size(const Element &e, const QString &name, const QString &value);
    std::optional<QMarginsF> _margins(const Element &e, const QString &name, const QString &value);
    std::optional<QColor> _color(const Element &e, const QString &name, const QString &value);
    std::optional<bool> _bool(const Element &e, const QString &name, const QString &value);
    std::optional<Qt::Alignment> _alignment(const Element &e, const QString &name,
                                            const QString &value);
    void _malformed(const Element &e, const QString &name, const QString &value,
                    const char *expected);

    QString m_path;
    QString m_context;
    int m_elements = 0;
};

void Build::_report(int line, const QString &reason) const
{
    UILog::warning(
        QStringLiteral("XmlUIBuilder::createFromFile %1:%2: %3").arg(m_path).arg(line).arg(reason));
}

std::unique_ptr<Element> Build::parse()
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        _report(0, QStringLiteral("cannot open the file: %1").arg(file.errorString()));
        return nullptr;
    }
    if (file.size() > MaxFileSize) {
        _report(0, QStringLiteral("the file is larger than %1 bytes").arg(MaxFileSize));
        return nullptr;
    }
    QXmlStreamReader reader(file.readAll());
    std::unique_ptr<Element> root;
    std::vector<Element *> open;
    int skipping = 0; // depth inside an element dropped for being too deep or too many
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const int line = int(reader.lineNumber());
            if (skipping > 0) {
                ++skipping;
                continue;
            }
            if (int(open.size()) >= MaxDepth || m_elements >= MaxElements) {
                _report(
                    line,
                    open.size() >= size_t(MaxDepth)
                        ? QStringLiteral("elements nested deeper than %1 are ignored").arg(MaxDepth)
                        : QStringLiteral("more than %1 elements; the rest is ignored")
                              .arg(MaxElements));
                skipping = 1;
                continue;
            }
            ++m_elements;
            auto element = std::make_unique<Element>();
            element->name = reader.name().toString();
            element->attributes = reader.attributes();
            element->line = line;
            Element *raw = element.get();
            if (open.empty())
                root = std::move(element);
            else
                open.back()->children.push_back(std::move(element));
            open.push_back(raw);
        } else if (token == QXmlStreamReader::EndElement) {
            if (skipping > 0)
                --skipping;
            else if (!open.empty())
                open.pop_back();
        }
    }
    if (reader.hasError()) {
        _report(int(reader.lineNumber()),
                QStringLiteral("broken XML (%1); building what was read before it")
                    .arg(reader.errorString()));
    }
    if (!root)
        _report(int(reader.lineNumber()), QStringLiteral("no root element"));
    else
        m_context = root->name;
    return root;
}

QString Build::_translated(const QString &text) const
{
    return QCoreApplication::translate(m_context.toUtf8().constData(), text.toUtf8().constData());
}

void Build::_malformed(const Element &e, const QString &name, const QString &value,
                       const char *expected)
{
    _report(e.line, QStringLiteral("malformed attribute %1=\"%2\" on <%3> (expected %4)")
                        .arg(name, value.left(80), e.name, QLatin1String(expected)));
}

namespace {

QList<qreal> numbers(const QString &text, bool *ok)
{
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    QList<qreal> result;
    *ok = true;
    const QStringList parts = text.trimmed().split(separators, Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        bool partOk = false;
        const qreal value = part.toDouble(&partOk);
        if (!partOk || !std::isfinite(value)) {
            *ok = false;
            return {};
        }
        result.append(value);
    }
    *ok = !result.isEmpty();
    return result;
}

} // namespace

std::optional<qreal> Build::_number(const Element &e, const QString &name, const QString &value,
                                    qreal minimum, qreal maximum)
{
    bool ok = false;
    const QList<qreal> values = numbers(value, &ok);
    if (!ok || values.size() != 1 || values.first() < minimum || values.first() > maximum) {
        _malformed(e, name, value, "a number in range");
        return std::nullopt;
    }
    return values.first();
}

std::optional<QSizeF> Build::_size(const Element &e, const QString &name, const QString &value)
{
    bool ok = false;
    const QList<qreal> values = numbers(value, &ok);
    if (!ok || values.size() != 2 || values[0] < 0 || values[1] < 0 || values[0] > MaxExtent ||
        values[1] > MaxExtent) {
        _malformed(e, name, value, "\"width,height\"");
        return std::nullopt;
    }
    return QSizeF(values[0], values[1]);
}

std::optional<QMarginsF> Build::_margins(const Element &e, const QString &name,
                                         const QString &value)
{
    bool ok = false;
    const QList<qreal> v = numbers(value, &ok);
    bool inRange = ok;
    for (const qreal n : v)
        inRange = inRange && n >= 0 && n <= MaxExtent;
    if (inRange && v.size() == 1)
        return QMarginsF(v[0], v[0], v[0], v[0]);
    if (inRange && v.size() == 2)
        return QMarginsF(v[0], v[1], v[0], v[1]);
    if (inRange && v.size() == 4)
        return QMarginsF(v[0], v[1], v[2], v[3]);
    _malformed(e, name, value, "one, two or four numbers");
    return std::nullopt;
}

std::optional<QColor> Build::_color(const Element &e, const QString &name, const QString &value)
{
    const QString text = value.trimmed();
    if (text.startsWith(QLatin1Char('#')) || QColor::isValidColorName(text)) {
        const QColor color = QColor::fromString(text);
        if (color.isValid())
            return color;
    } else {
        bool ok = false;
        const QList<qreal> v = numbers(text, &ok);
        bool inRange = ok && (v.size() == 3 || v.size() == 4);
        for (const qreal n : v)
            inRange = inRange && n >= 0 && n <= 255;
        if (inRange)
            return QColor(int(v[0]), int(v[1]), int(v[2]), v.size() == 4 ? int(v[3]) : 255);
    }
    _malformed(e, name, value, "\"red,green,blue[,alpha]\" or \"#rrggbb\"");
    return std::nullopt;
}

std::optional<bool> Build::_bool(const Element &e, const QString &name, const QString &value)
{
    const QString text = value.trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1") || text == QLatin1String("yes"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0") || text == QLatin1String("no"))
        return false;
    _malformed(e, name, value, "true or false");
    return std::nullopt;
}

std::optional<Qt::Alignment> Build::_alignment(const Element &e, const QString &name,
                                               const QString &value)
{
    static const QHash<QString, Qt::Alignment> words = {
        {QStringLiteral("left"), Qt::AlignLeft},
        {QStringLiteral("right"), Qt::AlignRight},
        {QStringLiteral("hcenter"), Qt::AlignHCenter},
        {QStringLiteral("top"), Qt::AlignTop},
        {QStringLiteral("bottom"), Qt::AlignBottom},
        {QStringLiteral("vcenter"), Qt::AlignVCenter},
        {QStringLiteral("center"), Qt::AlignCenter},
    };
    Qt::Alignment alignment;
    const QStringList parts =
        value.split(QRegularExpression(QStringLiteral("[|,\\s]+")), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const auto found = words.constFind(part.toLower());
        if (found == words.constEnd()) {
            _malformed(e, name, value, "left, right, hcenter, top, bottom, vcenter or center");
            return std::nullopt;
        }
        alignment |= found.value();
    }
    return alignment;
}

bool Build::_setProperty(const Element &element, QObject *object, const QString &name,
                         const QString &value)
{
    const QMetaObject *meta = object->metaObject();
    const int index = meta->indexOfProperty(name.toLatin1().constData());
    if (index < 0 || !meta->property(index).isWritable())
        return false;
    const QMetaProperty property = meta->property(index);
    QVariant converted;
    if (property.isEnumType()) {
        bool ok = false;
        const QMetaEnum enumerator = property.enumerator();
        const int key = enumerator.isFlag() ? enumerator.keysToValue(value.toLatin1(), &ok)
                                            : enumerator.keyToValue(value.toLatin1(), &ok);
        if (!ok) {
            const int number = value.toInt(&ok);
            if (!ok) {
                _malformed(element, name, value, "a name of the property's enumeration");
                return true;
            }
            converted = number;
        } else {
            converted = key;
        }
    } else if (property.metaType() == QMetaType::fromType<QMarginsF>()) {
        if (const auto margins = _margins(element, name, value))
            converted = QVariant::fromValue(*margins);
    } else {
        switch (property.userType()) {
        case QMetaType::QColor:
            if (const auto color = _color(element, name, value))
                converted = *color;
            break;
        case QMetaType::QSizeF:
        case QMetaType::QSize:
            if (const auto size = _size(element, name, value))
                converted = property.userType() == QMetaType::QSize ? QVariant(size->toSize())
                                                                    : QVariant(*size);
            break;
        case QMetaType::Bool:
            if (const auto flag = _bool(element, name, value))
                converted = *flag;
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::LongLong:
            if (const auto number = _number(element, name, value, -1e9, 1e9))
                converted = *number;
            break;
        case QMetaType::QString:
            converted = translatableAttributes().contains(name) ? _translated(value) : value;
            break;
        case QMetaType::QStringList: {
            QStringList items = value.split(QLatin1Char('|'));
            if (name == QLatin1String("items")) {
                for (QString &item : items)
                    item = _translated(item);
            }
            converted = items;
            break;
        }
        default: {
            QVariant text(value);
            if (text.convert(property.metaType()))
                converted = text;
            else
                _malformed(element, name, value, property.typeName());
            break;
        }
        }
    }
    if (converted.isValid() && !property.write(object, converted))
        _malformed(element, name, value, property.typeName());
    return true;
}

bool Build::_applyCommon(const Element &e, const QString &name, const QString &value,
                         UIControl *control)
{
    if (name == QLatin1String("objectName")) {
        control->setObjectName(value);
    } else if (name == QLatin1String("fixedSize")) {
        if (const auto size = _size(e, name, value))
            control->setFixSize(*size);
    } else if (name == QLatin1String("fixedWidth")) {
        if (const auto n = _number(e, name, value, 0, MaxExtent))
            control->setFixWidth(*n);
    } else if (name == QLatin1String("fixedHeight")) {
        if (const auto n = _number(e, name, value, 0, MaxExtent))
            control->setFixHeight(*n);
    } else if (name == QLatin1String("size")) {
        if (const auto size = _size(e, name, value)) {
            control->setPreferredSize(*size);
            control->resize(*size);
        }
    } else if (name == QLatin1String("width")) {
        if (const auto n = _number(e, name, value, 0, MaxExtent)) {
            control->setPreferredWidth(*n);
            control->setWidth(*n);
        }
    } else if (name == QLatin1String("height")) {
        if (const auto n = _number(e, name, value, 0, MaxExtent)) {
            control->setPreferredHeight(*n);
            control->setHeight(*n);
        }
    } else if (name == QLatin1String("margins")) {
        if (const auto margins = _margins(e, name, value))
            control->setMargins(*margins);
    } else if (name == QLatin1String("spacing")) {
        if (const auto n = _number(e, name, value, 0, MaxExtent))
            control->setSpacing(*n);
    } else if (name == QLatin1String("layout")) {
        static const QStringList types = {QStringLiteral("horizontal"), QStringLiteral("vertical"),
                                          QStringLiteral("free")};
        int type = types.indexOf(value.trimmed().toLower());
        if (type < 0) {
            bool ok = false;
            type = value.toInt(&ok);
            if (!ok || type < 0 || type > 2)
                type = -1;
        }
        if (type < 0)
            _malformed(e, name, value, "horizontal, vertical or free");
        else
            control->setLayout(type);
    } else if (name == QLatin1String("align")) {
        // Text alignment for controls that show text, content alignment for the others.
        if (const auto alignment = _alignment(e, name, value)) {
            if (control->metaObject()->indexOfProperty("alignment") >= 0)
                control->setProperty("alignment", QVariant::fromValue(*alignment));
            else
                control->setContentAlignment(*alignment);
        }
    } else if (name == QLatin1String("background")) {
        if (const auto color = _color(e, name, value))
            control->setBackgroundColor(*color);
    } else if (name == QLatin1String("visible")) {
        if (const auto flag = _bool(e, name, value))
            control->setVisible(*flag);
    } else if (name == QLatin1String("enabled")) {
        if (const auto flag = _bool(e, name, value))
            control->setEnabled(*flag);
    } else if (name == QLatin1String("opacity")) {
        if (const auto n = _number(e, name, value, 0, 1))
            control->setOpacity(*n);
    } else if (name == QLatin1String("toolTip")) {
        control->setToolTip(_translated(value));
    } else if (name == QLatin1String("expanding")) {
        const QString axis = value.trimmed().toLower();
        const bool horizontal =
            axis == QLatin1String("horizontal") || axis == QLatin1String("both");
        const bool vertical = axis == QLatin1String("vertical") || axis == QLatin1String("both");
        if (!horizontal && !vertical && axis != QLatin1String("none")) {
            _malformed(e, name, value, "horizontal, vertical, both or none");
        } else {
            QSizePolicy policy = control->sizePolicy();
            if (horizontal)
                policy.setHorizontalPolicy(QSizePolicy::Expanding);
            if (vertical)
                policy.setVerticalPolicy(QSizePolicy::Expanding);
            control->setSizePolicy(policy);
        }
    } else if (name == QLatin1String("fontFamily") || name == QLatin1String("fontSize") ||
               name == QLatin1String("bold") || name == QLatin1String("italic") ||
               name == QLatin1String("underline")) {
        if (control->metaObject()->indexOfProperty("font") < 0) {
            _report(e.line, QStringLiteral("<%1> has no font; %2 is ignored").arg(e.name, name));
            return true;
        }
        QFont font = control->property("font").value<QFont>();
        if (name == QLatin1String("fontFamily")) {
            font.setFamilies({value.trimmed()});
        } else if (name == QLatin1String("fontSize")) {
            if (const auto n = _number(e, name, value, 1, 400))
                font.setPointSizeF(*n);
        } else if (const auto flag = _bool(e, name, value)) {
            if (name == QLatin1String("bold"))
                font.setBold(*flag);
            else if (name == QLatin1String("italic"))
                font.setItalic(*flag);
            else
                font.setUnderline(*flag);
        }
        control->setProperty("font", font);
    } else {
        return false;
    }
    return true;
}

void Build::_applyControlAttributes(const Element &element, UIControl *control)
{
    for (const QXmlStreamAttribute &attribute : element.attributes) {
        const QString name = attribute.name().toString();
        const QString value = attribute.value().toString();
        // Placement in the parent, handled by the parent.
        if (name == QLatin1String("stretch") || name == QLatin1String("layoutAlign"))
            continue;
        if (name.endsWith(QLatin1String("mage")) || name.endsWith(QLatin1String("magePath"))) {
            // image, imagePath, hoverImage, backgroundImage, ...: the picture must exist.
            const QStringList paths = value.split(QLatin1Char('|'));
            for (const QString &path : paths) {
                if (!path.isEmpty() && !UITheme::imageExists(path))
                    _report(element.line, QStringLiteral("missing image %1").arg(path));
            }
        }
        if (_applyCommon(element, name, value, control))
            continue;
        if (!_setProperty(element, control, name, value)) {
            _report(element.line,
                    QStringLiteral("unknown attribute %1 on <%2>").arg(name, element.name));
        }
    }
}

void Build::_applyWindowAttributes(const Element &element, UIBaseWindow *window)
{
    UIControl *content = window->contentControl();
    for (const QXmlStreamAttribute &attribute : element.attributes) {
        const QString name = attribute.name().toString();
        const QString value = attribute.value().toString();
        if (name == QLatin1String("objectName")) {
            window->setObjectName(value);
        } else if (name == QLatin1String("title")) {
            if (auto *titled = qobject_cast<UIWindow *>(window))
                titled->setTitleText(_translated(value));
            else
                window->setWindowTitle(_translated(value));
        } else if (name == QLatin1String("fixedSize")) {
            if (const auto size = _size(element, name, value))
                window->setFixSize(size->toSize());
        } else if (name == QLatin1String("size")) {
            if (const auto size = _size(element, name, value))
                window->resize(size->toSize());
        } else if (name == QLatin1String("background")) {
            if (const auto color = _color(element, name, value))
                window->setBackgroundColor(*color);
        } else if (name == QLatin1String("backgroundImage")) {
            if (!UITheme::imageExists(value))
                _report(element.line, QStringLiteral("missing image %1").arg(value));
            window->setBackgroundImage(value);
        } else if (name == QLatin1String("deleteOnClose") || name == QLatin1String("translucent")) {
            if (const auto flag = _bool(element, name, value))
                window->setAttribute(name == QLatin1String("deleteOnClose")
                                         ? Qt::WA_DeleteOnClose
                                         : Qt::WA_TranslucentBackground,
                                     *flag);
        } else if (name == QLatin1String("margins") || name == QLatin1String("spacing") ||
                   name == QLatin1String("layout") || name == QLatin1String("align")) {
            _applyCommon(element, name, value, content);
        } else if (!_setProperty(element, window, name, value)) {
            _report(element.line,
                    QStringLiteral("unknown attribute %1 on <%2>").arg(name, element.name));
        }
    }
}

void Build::_buildChildren(const Element &element, UIControl *parent, int depth)
{
    for (const auto &child : element.children)
        _buildChild(*child, parent, depth + 1);
}

void Build::_buildChild(const Element &element, UIControl *parent, int depth)
{
    const QString &name = element.name;
    if (name == QLatin1String("Spacer") || name == QLatin1String("Stretch")) {
        const bool stretch = name == QLatin1String("Stretch");
        const QString key = stretch ? QStringLiteral("factor") : QStringLiteral("size");
        qreal amount = stretch ? 1 : 0;
        for (const QXmlStreamAttribute &attribute : element.attributes) {
            if (attribute.name() == key) {
                if (const auto n = _number(element, key, attribute.value().toString(), 0,
                                           stretch ? 100 : MaxExtent))
                    amount = *n;
            } else {
                _report(element.line, QStringLiteral("unknown attribute %1 on <%2>")
                                          .arg(attribute.name().toString(), name));
            }
        }
        if (stretch)
            parent->addStretch(std::max(1, int(amount)));
        else
            parent->addSpacing(amount);
        if (!element.children.empty())
            _report(element.line, QStringLiteral("<%1> holds no elements").arg(name));
        return;
    }

    UIControl *control = nullptr;
    if (name == QLatin1String("Row") || name == QLatin1String("Column")) {
        control = new UIControl(parent);
        control->setLayout(name == QLatin1String("Row") ? UIControl::HorizontalLayout
                                                        : UIControl::VerticalLayout);
    } else if (UITypeRegistry::isRegistered(UITypeRegistry::Control, name)) {
        QObject *made = UITypeRegistry::create(UITypeRegistry::Control, name, parent);
        control = qobject_cast<UIControl *>(made);
        if (!control) {
            delete made;
            _report(element.line,
                    QStringLiteral("the factory of <%1> made no control; skipped").arg(name));
            return;
        }
    } else {
        _report(element.line,
                QStringLiteral("unknown element <%1>; skipped with its content").arg(name));
        return;
    }
    if (control->parentItem() != parent)
        control->setParentItem(parent);

    _applyControlAttributes(element, control);
    int stretch = 0;
    Qt::Alignment alignment;
    if (element.attributes.hasAttribute(QLatin1String("stretch"))) {
        if (const auto n =
                _number(element, QStringLiteral("stretch"),
                        element.attributes.value(QLatin1String("stretch")).toString(), 0, 100))
            stretch = int(*n);
    }
    if (element.attributes.hasAttribute(QLatin1String("layoutAlign"))) {
        if (const auto a =
                _alignment(element, QStringLiteral("layoutAlign"),
                           element.attributes.value(QLatin1String("layoutAlign")).toString()))
            alignment = *a;
    }
    parent->addItem(control, stretch, alignment);
    _buildChildren(element, control, depth);
}

UIBaseWindow *Build::createWindow(const Element &root, QWidget *parent)
{
    if (!UITypeRegistry::isRegistered(UITypeRegistry::Window, root.name)) {
        _report(root.line, QStringLiteral("the root element <%1> is not a registered window class")
                               .arg(root.name));
        return nullptr;
    }
    QObject *made = UITypeRegistry::create(UITypeRegistry::Window, root.name, parent);
    auto *window = qobject_cast<UIBaseWindow *>(made);
    if (!window) {
        delete made;
        _report(root.line,
                QStringLiteral("the factory of <%1> made no window (parent: %2)")
                    .arg(root.name, parent ? QString::fromLatin1(parent->metaObject()->className())
                                           : QStringLiteral("none")));
        return nullptr;
    }
    _applyWindowAttributes(root, window);
    _buildChildren(root, window->contentControl(), 0);
    return window;
}

void Build::_collectTexts(const Element &element, QList<XmlUIBuilder::Text> *texts) const
{
    for (const QXmlStreamAttribute &attribute : element.attributes) {
        const QString name = attribute.name().toString();
        if (attribute.value().trimmed().isEmpty())
            continue;
        if (translatableAttributes().contains(name)) {
            texts->append({m_context, attribute.value().toString(), element.line});
        } else if (name == QLatin1String("items")) {
            for (const QString &item : attribute.value().toString().split(QLatin1Char('|')))
                texts->append({m_context, item, element.line});
        }
    }
    for (const auto &child : element.children)
        _collectTexts(*child, texts);
}

QList<XmlUIBuilder::Text> Build::texts(const Element &root) const
{
    QList<XmlUIBuilder::Text> result;
    _collectTexts(root, &result);
    return result;
}

} // namespace

UIBaseWindow *XmlUIBuilder::createFromFile(const QString &path, QWidget *parent)
{
    Build build(path);
    const std::unique_ptr<Element> root = build.parse();
    if (!root)
        return nullptr;
    UIBaseWindow *window = build.createWindow(*root, parent);
    if (!window)
        return nullptr;
    if (!window->d_func()->setupDone) {
        window->d_func()->setupDone = true;
        window->setupUi();
    }
    connectSlotsByName(window, window->findChildren<QObject *>());
    return window;
}

QList<XmlUIBuilder::Text> XmlUIBuilder::translatableTexts(const QString &path)
{
    Build build(path);
    const std::unique_ptr<Element> root = build.parse();
    return root ? build.texts(*root) : QList<Text>();
}

int XmlUIBuilder::connectSlotsByName(QObject *receiver, const QList<QObject *> &senders)
{
    if (!receiver)
        return 0;
    int made = 0;
    const QMetaObject *meta = receiver->metaObject();
    for (int i = 0; i < meta->methodCount(); ++i) {
        const QMetaMethod slot = meta->method(i);
        const QByteArray signature = slot.methodSignature();
        if (!signature.startsWith("on_") || slot.methodType() == QMetaMethod::Signal)
            continue;
        for (QObject *sender : senders) {
            const QByteArray name = sender ? sender->objectName().toUtf8() : QByteArray();
            if (name.isEmpty() || sender == receiver)
                continue;
            const QByteArray prefix = "on_" + name + '_';
            if (!signature.startsWith(prefix))
                continue;
            const QByteArray signalName = slot.name().mid(prefix.size());
            // The signal with that name whose arguments the slot can take (it may take fewer).
            const QMetaObject *senderMeta = sender->metaObject();
            QMetaMethod signal;
            for (int s = 0; s < senderMeta->methodCount(); ++s) {
                const QMetaMethod candidate = senderMeta->method(s);
                if (candidate.methodType() == QMetaMethod::Signal &&
                    candidate.name() == signalName &&
                    QMetaObject::checkConnectArgs(candidate, slot)) {
                    signal = candidate;
                    if (candidate.parameterCount() == slot.parameterCount())
                        break;
                }
            }
            if (!signal.isValid())
                continue;
            if (QObject::connect(sender, signal, receiver, slot, Qt::UniqueConnection))
                ++made;
            break;
        }
    }
    return made;
}
