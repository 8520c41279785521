#pragma once

#include "dive/diverecords.h"
#include "views/profilescales.h"
#include "dive/profilesource.h"

#include <QFont>
#include <QGraphicsObject>
#include <QIcon>
#include <QImage>
#include <QPair>
#include <QPolygonF>
#include <QStaticText>

#include <functional>
#include <vector>

class DiveProfile;
class DivePoint;
struct DiveAlertSummary;
struct DiveSample;

// Vertical speed limits (m/min) used for colouring and for dragging editable points.
extern double maxAscentSpeed;
extern double maxDescentSpeed;

// An icon pinned to a (time, depth) of the dive, drawn over the plot (planner and simulator).
struct OverlayIcon
{
    int id = 0;
    int kind = 0; // kinds 5 to 9 are alerts, shown only with the alerts switch
    quint8 visible = 1;
    double time = 0; // s
    double depth = 0; // m
    double x = 0; // scene position
    double y = 0;
    int dx = 0; // offset of the image's top left from the position
    int dy = 0;
    QString text;
    const QImage* image = nullptr; // one of the shared images
};

// Paints one dive as depth over time: axes, grid, water, speed-coloured profile, marks, ascent,
// ceiling and header. Holds the scales; point items (editable mode) live in the same scene and
// are moved, never recreated, when the scales change.
class DiveProfileItem : public QGraphicsObject
{
    Q_OBJECT

public:
    using LogCallback = std::function<void(const QString&)>;

    explicit DiveProfileItem(QGraphicsItem* parent = nullptr);
    ~DiveProfileItem() override;

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    // The dive is not owned; it must outlive its display or be replaced (nullptr for none).
    void setProfile(DiveProfile* dive);
    DiveProfile* profile() const { return m_dive; }
    void setGeometry(const QRectF& rect);
    void setItemsVisible(bool points, bool temperature, bool deco, bool alerts);
    void fitAll();
    void scrollBy(double dx);
    void zoomAt(bool depthOnly, double factor, double x);
    int timeAtX(double x) const;
    bool isInPlot(const QPointF& p) const;
    QPointF mapToScene(double timeS, double depthM) const;
    void refreshHeader();
    const QString& headerText() const { return m_header; }
    // Whether the dive shown was recorded or logged by hand (never in editable mode).
    ProfileSource source() const { return m_source; }

    // Scales and window, for the view and for tests.
    QRectF plotRect() const { return QRectF(m_plotLeft, m_plotTop, m_plotWidth, m_plotHeight); }
    double plotBottom() const { return m_plotBottom; }
    double xScale() const { return m_xScale; }
    double yScale() const { return m_yScale; }
    double xStart() const { return m_xStart; }
    double xEnd() const { return m_xEnd; }
    double depthShown() const { return m_depthShown; }

    // Colour of the segment ending at a sample of this vertical speed (m/min, + descending).
    static QColor speedColor(double speedMPerMin);
    // Names of the mark images drawn at sample i (without folder and extension), from the
    // dive's alert analysis (analyseAlerts, computed here when not given).
    static QStringList sampleMarks(const DiveProfile& dive, int i);
    static QStringList sampleMarks(const DiveProfile& dive, const DiveAlertSummary& alerts, int i);
    static const QImage& sharedImage(const QString& name);

    // Editable mode (planner, simulator).
    int editable = 0;
    int showAscentSummary = 0;
    QRectF pointClipRect;
    void createDivePoints();
    int addDivePoint(double timeS, double depthM);
    void addDivePointAfter(int i);
    void removeDivePoint(DivePoint* point);
    void removeSelectedDivePoints();
    int selectedDivePointCount() const;
    QPair<int, int> selectedPointRange() const;
    void setDivePointDepth(int i, double depthM);
    bool setDivePointTime(int i, double& timeS);
    void selectPointsInRect(const QRectF& rect);
    void setPointItemsVisible(bool visible);
    void reloadPoints();
    QList<DivePoint*> divePoints() const;
    // Where an editable point may go: keeps samples in time order and within the speed limits.
    QPointF acceptPointPosition(const DiveLineInfo& info, const QPointF& proposed);

    void addOverlayIcon(const OverlayIcon& icon, const QString& imageName);
    void updateOverlayIcon(int id, double timeS, double depthM);
    void removeOverlayIcon(int id);
    const std::vector<OverlayIcon>& overlayIcons() const { return m_overlayIcons; }

    // A second curve with its own axis on the right, a cylinder pressure: points are (time s,
    // bar), drawn from 0 at the plot's bottom to `top` bar at its top; a stretch ending under
    // its limit (the reserve) turns orange, at 0 red. An empty curve hides it. The axis reads
    // in the diver's pressure unit whatever `unit` says (kept for the callers that fill it).
    struct SecondaryCurve
    {
        QPolygonF points;
        QList<double> limits; // per point, 0 for none
        double top = 0;
        QString unit;
    };
    void setSecondaryCurve(const SecondaryCurve& curve);

    void setStatusIconVisible(bool visible);
    static void setStatusIcon(const QString& imagePath);
    static void setLogCallback(LogCallback callback);

signals:
    void onAddDivePoint();
    void onUpdateDivePoint(int index);

protected:
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event) override;

private:
    void repositionPoints();
    void repositionOverlayIcons();
    void paintGrid(QPainter* painter);
    // The dive itself, drawn in layers from the water up.
    void paintProfile(QPainter* painter);
    QPolygonF sceneLine(const QList<DiveSample>& list) const;
    void paintWater(
        QPainter* painter, const QPolygonF& shown, const QPolygonF& ascent, int lo, int hi);
    void paintSpeedColours(QPainter* painter, const QPolygonF& shown, int lo, int hi);
    void paintAlertMarks(QPainter* painter, int lo, int hi);
    void paintYoyoMarkers(QPainter* painter);
    void paintAscent(QPainter* painter, const QPolygonF& ascent);
    void paintCeilingTrace(QPainter* painter);
    void paintTemperature(QPainter* painter);
    void paintDecoCeiling(QPainter* painter);
    void paintSecondaryCurve(QPainter* painter);
    void paintHandLogged(QPainter* painter);
    // Indexes of the first and last samples to draw for the current time window.
    QPair<int, int> visibleSamples() const;
    DivePoint* makePoint(int index, bool movable);

    QRectF m_rect { 0, 0, 200, 100 };
    ProfileScales::PlotMargins m_margins;
    double m_plotLeft = 0;
    double m_plotTop = 0;
    double m_plotWidth = 0;
    double m_plotHeight = 0;
    double m_xScale = 1.0;
    double m_yScale = 1.0;
    double m_plotBottom = 0;
    double m_depthShown = 1.0;
    double m_xStart = 0;
    double m_xEnd = 1;
    DiveProfile* m_dive = nullptr;
    ProfileSource m_source = ProfileSource::Recorded;
    QList<DiveSample> m_handLine; // the line of a dive logged by hand
    QString m_header;
    QStaticText m_headerText;
    bool m_statusIconVisible = false;
    std::vector<OverlayIcon> m_overlayIcons;
    quint8 m_pointsItemsVisible = 1;
    quint8 m_showPoints = 0;
    quint8 m_showTemperature = 1;
    quint8 m_showDeco = 1;
    SecondaryCurve m_curve;
    quint8 m_showAlerts = 1;
};
