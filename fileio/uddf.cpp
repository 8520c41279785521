#include "fileio/uddf.h"

#include "dive/diveprofile.h"
#include "fileio/uddfdatetime.h"
#include "fileio/xmlpathdocument.h"

#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QLocale>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <tinyxml2.h>

using tinyxml2::XMLElement;

namespace {

const char* const kDivePath = "profiledata/repetitiongroup/dive";
const char* const kUddfNamespace = "http://www.streit.cc/uddf/3.2/";
// Dive ids are XML ids; a dive without a name is written with this one.
const char* const kAnonymousDiveId = "000000";

// The sample alert flags of one <alarm>: the standard's words, or the flag byte this program
// writes (bits 0-1 ceiling, 2 rapid ascent, 3 Pmax, 4-5 yoyo). Unknown words add nothing.
quint8 alarmAlertFlags(const char* text)
{
    if (!text)
        return 0;
    const QByteArray word = QByteArray(text).trimmed();
    if (word == "ascent")
        return 0x04;
    if (word == "deco")
        return 0x03;
    bool number = false;
    const int flags = word.toInt(&number);
    return number && flags >= 0 && flags <= 255 ? quint8(flags) : 0;
}

UDDF::Status statusOf(XmlPathDocument::Status status)
{
    switch (status) {
    case XmlPathDocument::Status::Ok:
        return UDDF::Status::Ok;
    case XmlPathDocument::Status::CannotOpen:
        return UDDF::Status::CannotOpen;
    case XmlPathDocument::Status::TooLarge:
        return UDDF::Status::TooLarge;
    case XmlPathDocument::Status::NotXml:
        return UDDF::Status::NotXml;
    case XmlPathDocument::Status::WrongRoot:
        return UDDF::Status::NotUddf;
    }
    return UDDF::Status::NotXml;
}

// A gas fraction (0.32) as whole percent, rounded: truncation turned 0.29 into 28 %.
qint32 percentOf(double fraction)
{
    return qint32(std::lround(std::clamp(fraction * 100.0, 0.0, 100.0)));
}

UDDF::Status readDocument(const XmlPathDocument& doc, DiveProfile& dive)
{
    // Everything is gathered in locals and handed to the profile at the end.
    const QString name = doc.attributeAt(kDivePath, "id", QStringLiteral("0"));

    const XMLElement* computerElement = doc.elementAt("diver/owner/equipment/divecomputer");
    QString computer;
    QString serial;
    if (computerElement) {
        computer = doc.textAt("name", computerElement);
        serial = doc.textAt("serialnumber", computerElement);
    }

    QList<DiveGas> gases;
    doc.forEachChild("gasdefinitions", [&doc, &gases](const XMLElement* mix, bool&) {
        DiveGas gas;
        gas.id = XmlPathDocument::attribute(mix, "id", QString());
        gas.name = doc.textAt("name", mix);
        gas.o2 = percentOf(doc.doubleAt("o2", 0.21, mix));
        gas.he = percentOf(doc.doubleAt("he", 0.0, mix));
        gases.append(gas);
    });

    // A start element of none would mean the root: look below the dive only when there is one.
    const XMLElement* diveElement = doc.elementAt(kDivePath);
    const XMLElement* before
        = diveElement ? doc.elementAt("informationbeforedive", diveElement) : nullptr;
    const qint64 dateTime = before ? parseUddfDateTime(doc.textAt("datetime", before)) : 0;

    // Gas references point into the gases of this file, which are appended after any gases
    // the profile already holds.
    const qsizetype gasBase = dive.gases.size();
    QList<DiveSample> samples;
    const bool startsEmpty = dive.samples.isEmpty();
    double temperatureC = 20.0;
    double previousDepth = 0.0;
    // Gas ids as UTF-8, to match switchmix references without building a text per waypoint.
    QHash<QByteArray, qint32> gasIndexById;
    for (qsizetype i = gases.size() - 1; i >= 0; --i) // the first mix of an id wins
        gasIndexById.insert(gases.at(i).id.toUtf8(), qint32(gasBase + i));

    const XMLElement* samplesElement
        = diveElement ? doc.elementAt("samples", diveElement) : nullptr;
    for (const XMLElement* waypoint
         = samplesElement ? samplesElement->FirstChildElement() : nullptr;
         waypoint; waypoint = waypoint->NextSiblingElement()) {
        // One pass over the waypoint's children; the first of each name counts. Long dives
        // have tens of thousands of waypoints, so no path lookups here.
        const XMLElement* timeElement = nullptr;
        const XMLElement* depthElement = nullptr;
        const XMLElement* temperatureElement = nullptr;
        const XMLElement* cnsElement = nullptr;
        const XMLElement* stopElement = nullptr;
        const XMLElement* mixElement = nullptr;
        quint8 alarmFlags = 0;
        for (const XMLElement* child = waypoint->FirstChildElement(); child;
             child = child->NextSiblingElement()) {
            const char* name = XmlPathDocument::localName(child);
            const XMLElement** slot = nullptr;
            if (std::strcmp(name, "divetime") == 0)
                slot = &timeElement;
            else if (std::strcmp(name, "depth") == 0)
                slot = &depthElement;
            else if (std::strcmp(name, "temperature") == 0)
                slot = &temperatureElement;
            else if (std::strcmp(name, "cns") == 0)
                slot = &cnsElement;
            else if (std::strcmp(name, "decostop") == 0)
                slot = &stopElement;
            else if (std::strcmp(name, "switchmix") == 0)
                slot = &mixElement;
            else if (std::strcmp(name, "alarm") == 0)
                alarmFlags |= alarmAlertFlags(child->GetText());
            if (slot && !*slot)
                *slot = child;
        }

        if (!timeElement)
            continue;
        // UDDF allows real seconds ("10.0"): parse as a number and round. Text that is no
        // number counts as 0 s.
        const double time
            = std::round(XmlPathDocument::parseNumber(timeElement->GetText()).value_or(0.0)) + 0.0;
        if (time < 0.0)
            continue;
        // A waypoint without a (readable) depth stays at the previous depth.
        const double depth = depthElement
            ? XmlPathDocument::parseNumber(depthElement->GetText()).value_or(previousDepth)
            : previousDepth;
        previousDepth = depth;

        if (startsEmpty && samples.isEmpty() && time >= 1.0) {
            DiveSample surface;
            surface.time = 0.0;
            surface.depth = 0.0;
            samples.append(surface);
        }

        if (temperatureElement) {
            const double kelvin
                = XmlPathDocument::parseNumber(temperatureElement->GetText()).value_or(0.0);
            if (kelvin > 0.0)
                temperatureC = kelvin - 273.15;
        }

        DiveSample sample;
        sample.time = time;
        sample.depth = depth;
        sample.temperature = temperatureC;
        sample.alertFlags = alarmFlags;
        if (cnsElement)
            sample.cns = XmlPathDocument::parseNumber(cnsElement->GetText()).value_or(0.0);
        if (stopElement)
            sample.decoCeiling
                = XmlPathDocument::parseNumber(stopElement->Attribute("decodepth")).value_or(0.0);
        const char* ref = mixElement ? mixElement->Attribute("ref") : nullptr;
        if (ref && *ref) {
            const auto found = gasIndexById.constFind(QByteArray(ref));
            if (found != gasIndexById.constEnd())
                sample.gasIndex = found.value();
        }
        samples.append(sample);
    }

    // Close the dive at the surface, one sample period after the last waypoint: the same time
    // twice would put a zero time step into the speeds.
    if (!samples.isEmpty() && samples.constLast().depth != 0.0) {
        DiveSample closing = samples.constLast();
        closing.depth = 0.0;
        closing.time += std::max<int>(dive.period, 1);
        samples.append(closing);
    }

    dive.name = name;
    if (computerElement) {
        dive.computer = computer;
        dive.serial = serial;
    }
    dive.gases.append(gases);
    if (before)
        dive.dateTime = dateTime;
    dive.samples.append(samples);
    return UDDF::Status::Ok;
}

// Text as XML 1.0 can carry it: control characters other than TAB, LF and CR (and the
// non-characters U+FFFE, U+FFFF) are not allowed even as references, and a file holding one is
// refused by strict readers, so they are left out.
QByteArray xmlText(const QString& text)
{
    QString clean;
    clean.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D) || u == 0xFFFE || u == 0xFFFF)
            continue;
        clean.append(c);
    }
    return clean.toUtf8();
}

// Shortest text that reads back as the same double ("0.32", not 0.32000000000000001).
QByteArray shortest(double value)
{
    return QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

QByteArray fixed17(double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return QByteArray(buffer);
}

// Seconds truncated to a whole number. Through a double, since a time read from a damaged
// file may lie beyond the range of any integer type.
QByteArray wholeSeconds(double seconds)
{
    return std::isfinite(seconds) ? QByteArray::number(std::trunc(seconds) + 0.0, 'f', 0)
                                  : QByteArray("0");
}

XMLElement* addText(
    tinyxml2::XMLDocument& doc, XMLElement* parent, const char* name, const QByteArray& text)
{
    XMLElement* element = doc.NewElement(name);
    element->SetText(text.constData());
    parent->InsertEndChild(element);
    return element;
}

XMLElement* addChild(tinyxml2::XMLDocument& doc, XMLElement* parent, const char* name)
{
    XMLElement* element = doc.NewElement(name);
    parent->InsertEndChild(element);
    return element;
}

// Mix ids that are unique and not empty, so that every switchmix refers to one mix.
QList<QByteArray> mixIds(const QList<DiveGas>& gases)
{
    QList<QByteArray> ids;
    QSet<QByteArray> used;
    for (qsizetype i = 0; i < gases.size(); ++i) {
        QByteArray id = xmlText(gases.at(i).id);
        if (id.isEmpty() || used.contains(id)) {
            int n = int(i);
            do
                id = "mix" + QByteArray::number(n++);
            while (used.contains(id));
        }
        used.insert(id);
        ids.append(id);
    }
    return ids;
}

} // namespace

bool UDDF::read(const QString& path, DiveProfile& dive)
{
    XmlPathDocument doc;
    if (!doc.load(path, "uddf"))
        return finish(statusOf(doc.status()));
    return finish(readDocument(doc, dive));
}

UDDF::Status UDDF::readData(const QByteArray& data, DiveProfile& dive)
{
    XmlPathDocument doc;
    if (!doc.loadFromData(data, "uddf"))
        return statusOf(doc.status());
    return readDocument(doc, dive);
}

QByteArray UDDF::toDocument(const DiveProfile& dive)
{
    tinyxml2::XMLDocument doc;
    // The declaration states the encoding of names written in UTF-8.
    doc.InsertEndChild(doc.NewDeclaration());
    XMLElement* root = doc.NewElement("uddf");
    root->SetAttribute("xmlns:xsd", "http://www.w3.org/2001/XMLSchema");
    root->SetAttribute("xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance");
    root->SetAttribute("version", "3.2.3");
    root->SetAttribute("xmlns", kUddfNamespace);
    doc.InsertEndChild(root);

    XMLElement* generator = addChild(doc, root, "generator");
    addText(doc, generator, "name", "Brenmor Systems Dive Log");
    addText(doc, generator, "type", "logbook");
    addText(doc, generator, "version", "2.9.3");
    addText(doc, generator, "datetime", "2024-01-17T11:16:00Z");

    if (!dive.computer.isEmpty() || !dive.serial.isEmpty()) {
        XMLElement* owner = addChild(doc, addChild(doc, root, "diver"), "owner");
        owner->SetAttribute("id", "owner");
        XMLElement* computer = addChild(doc, addChild(doc, owner, "equipment"), "divecomputer");
        computer->SetAttribute("id", "divecomputer");
        addText(doc, computer, "name", xmlText(dive.computer));
        addText(doc, computer, "serialnumber", xmlText(dive.serial));
    }

    const QList<QByteArray> ids = mixIds(dive.gases);
    if (!dive.gases.isEmpty()) {
        XMLElement* definitions = addChild(doc, root, "gasdefinitions");
        for (qsizetype i = 0; i < dive.gases.size(); ++i) {
            const DiveGas& gas = dive.gases.at(i);
            XMLElement* mix = addChild(doc, definitions, "mix");
            mix->SetAttribute("id", ids.at(i).constData());
            addText(doc, mix, "name", xmlText(gas.name));
            addText(doc, mix, "o2", shortest(gas.o2 / 100.0));
            addText(doc, mix, "he", shortest(gas.he / 100.0));
        }
    }

    XMLElement* group = addChild(doc, addChild(doc, root, "profiledata"), "repetitiongroup");
    group->SetAttribute("id", kAnonymousDiveId);
    XMLElement* diveElement = addChild(doc, group, "dive");
    const QByteArray cleanName = xmlText(dive.name);
    const QByteArray diveId = cleanName.isEmpty() ? QByteArray(kAnonymousDiveId) : cleanName;
    diveElement->SetAttribute("id", diveId.constData());
    const QString start = dive.dateTime != 0 ? formatUddfDateTime(dive.dateTime) : QString();
    if (!start.isEmpty())
        addText(
            doc, addChild(doc, diveElement, "informationbeforedive"), "datetime", start.toLatin1());

    XMLElement* samples = addChild(doc, diveElement, "samples");
    qint32 gasInUse = -1;
    for (const DiveSample& sample : dive.samples) {
        XMLElement* waypoint = addChild(doc, samples, "waypoint");
        addText(doc, waypoint, "depth", fixed17(sample.depth));
        // Whole seconds, as other software expects them.
        addText(doc, waypoint, "divetime", wholeSeconds(sample.time));
        addText(doc, waypoint, "temperature", fixed17(sample.temperature + 273.15));
        addText(doc, waypoint, "nodecotime", "99");
        if (sample.alertFlags != 0)
            addText(doc, waypoint, "alarm", QByteArray::number(sample.alertFlags));
        if (sample.cns != 0.0)
            addText(doc, waypoint, "cns", shortest(sample.cns));
        if (sample.decoCeiling > 0.0) {
            XMLElement* stop = addChild(doc, waypoint, "decostop");
            stop->SetAttribute("kind", "mandatory");
            stop->SetAttribute("decodepth", shortest(sample.decoCeiling).constData());
        }
        // A switchmix where the gas changes; the gas stays in use until the next one.
        if (sample.gasIndex >= 0 && sample.gasIndex < dive.gases.size()
            && sample.gasIndex != gasInUse) {
            gasInUse = sample.gasIndex;
            addChild(doc, waypoint, "switchmix")->SetAttribute("ref", ids.at(gasInUse).constData());
        }
    }

    tinyxml2::XMLPrinter printer; // the library's default, indented layout
    doc.Print(&printer);
    return QByteArray(printer.CStr(), printer.CStrSize() > 0 ? printer.CStrSize() - 1 : 0);
}

bool UDDF::write(const QString& path, DiveProfile& dive)
{
    const QByteArray document = toDocument(dive);
    // The previous file stays in place unless the new one was written whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return finish(Status::CannotOpen);
    // commit() misses a failure while it flushes the buffered bytes and would put the short
    // file in place of the old one: flush first and check it.
    if (file.write(document) != document.size() || !file.flush() || !file.commit())
        return finish(Status::WriteFailed);
    return finish(Status::Ok);
}

bool UDDF::finish(Status status)
{
    m_status = status;
    setErrorString(statusText(status));
    return status == Status::Ok;
}

QString UDDF::statusText(Status status)
{
    switch (status) {
    case Status::Ok:
        return QString();
    case Status::CannotOpen:
        return QCoreApplication::translate("UDDF", "The UDDF file cannot be opened.");
    case Status::TooLarge:
        return QCoreApplication::translate("UDDF", "The file is too large to be a UDDF dive file.");
    case Status::NotXml:
        return QCoreApplication::translate(
            "UDDF", "The file is not a well-formed XML document (cut short or damaged).");
    case Status::NotUddf:
        return QCoreApplication::translate("UDDF", "The XML document is not a UDDF file.");
    case Status::WriteFailed:
        return QCoreApplication::translate(
            "UDDF", "The UDDF file could not be written completely.");
    }
    return QString();
}
