#include "Shape.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <unordered_map>

namespace tvmplayer {
namespace {

uint32_t ReadCount(SwfReader& reader, int version)
{
    uint32_t count = reader.U8();
    if (count == 0xFF && version >= 2)
        count = reader.U16();
    return count;
}

Colour ReadColour(SwfReader& reader, int version)
{
    return version >= 3 ? ReadRgba(reader) : ReadRgb(reader);
}

Cap ToCap(uint32_t bits)
{
    return bits == 1 ? Cap::None : bits == 2 ? Cap::Square : Cap::Round;
}

LineStyle ReadLineStyle(SwfReader& reader, int version)
{
    LineStyle line;
    line.Width = reader.U16();
    if (version < 4) {
        line.Fill.Argb = ReadColour(reader, version);
        return line;
    }
    line.StartCap = ToCap(reader.UnsignedBits(2));
    uint32_t join = reader.UnsignedBits(2);
    line.JoinStyle = join == 1 ? Join::Bevel : join == 2 ? Join::Miter : Join::Round;
    bool hasFill = reader.UnsignedBits(1);
    reader.UnsignedBits(4);  // no-scale directions, pixel hinting
    reader.UnsignedBits(5);  // reserved
    reader.UnsignedBits(1);  // no-close
    line.EndCap = ToCap(reader.UnsignedBits(2));
    if (line.JoinStyle == Join::Miter)
        line.MiterLimit = reader.U16() / 256.0;
    if (hasFill)
        line.Fill = ReadFillStyle(reader, version);
    else
        line.Fill.Argb = ReadRgba(reader);
    return line;
}

void ReadStyles(SwfReader& reader, int version, ShapeRecords& records)
{
    for (uint32_t i = ReadCount(reader, version); i > 0; --i) records.Fills.push_back(ReadFillStyle(reader, version));
    for (uint32_t i = ReadCount(reader, version); i > 0; --i) records.Lines.push_back(ReadLineStyle(reader, version));
}

// The records after the style arrays: style changes and edges, positions
// kept in doubles so that no run of edges overflows.
void ReadRecords(SwfReader& reader, int version, ShapeRecords& records, bool withStyles)
{
    reader.Align();
    int fillBits = static_cast<int>(reader.UnsignedBits(4));
    int lineBits = static_cast<int>(reader.UnsignedBits(4));
    uint32_t fillBase = 0, lineBase = 0, layer = 0;
    uint32_t fill0 = 0, fill1 = 0, line = 0;  // as the records number them
    Edge current;
    Point at;
    auto style = [](uint32_t index, uint32_t base) { return index == 0 ? 0 : index + base; };
    while (records.Edges.size() < MaxShapeEdges) {
        if (reader.UnsignedBits(1) == 0) {
            uint32_t flags = reader.UnsignedBits(5);
            if (flags == 0)
                break;
            if (flags & 1) {
                int bits = static_cast<int>(reader.UnsignedBits(5));
                at.X = reader.SignedBits(bits);
                at.Y = reader.SignedBits(bits);
            }
            if (flags & 2) fill0 = reader.UnsignedBits(fillBits);
            if (flags & 4) fill1 = reader.UnsignedBits(fillBits);
            if (flags & 8) line = reader.UnsignedBits(lineBits);
            if ((flags & 16) && withStyles) {
                fillBase = static_cast<uint32_t>(records.Fills.size());
                lineBase = static_cast<uint32_t>(records.Lines.size());
                ReadStyles(reader, version, records);
                fillBits = static_cast<int>(reader.UnsignedBits(4));
                lineBits = static_cast<int>(reader.UnsignedBits(4));
                current.Layer = ++layer;
                // What this record selected refers to the new arrays.
                if (!(flags & 2)) fill0 = 0;
                if (!(flags & 4)) fill1 = 0;
                if (!(flags & 8)) line = 0;
            }
            current.Fill0 = style(fill0, fillBase);
            current.Fill1 = style(fill1, fillBase);
            current.Line = style(line, lineBase);
            continue;
        }
        bool straight = reader.UnsignedBits(1);
        int bits = static_cast<int>(reader.UnsignedBits(4)) + 2;
        Edge edge = current;
        edge.From = at;
        if (straight) {
            double dx = 0, dy = 0;
            if (reader.UnsignedBits(1)) {
                dx = reader.SignedBits(bits);
                dy = reader.SignedBits(bits);
            } else if (reader.UnsignedBits(1)) {
                dy = reader.SignedBits(bits);
            } else {
                dx = reader.SignedBits(bits);
            }
            edge.To = {at.X + dx, at.Y + dy};
            edge.Control = {at.X + dx / 2, at.Y + dy / 2};
        } else {
            double cx = reader.SignedBits(bits), cy = reader.SignedBits(bits);
            double ax = reader.SignedBits(bits), ay = reader.SignedBits(bits);
            edge.Control = {at.X + cx, at.Y + cy};
            edge.To = {edge.Control.X + ax, edge.Control.Y + ay};
            edge.Curve = true;
        }
        at = edge.To;
        records.Edges.push_back(edge);
    }
    records.Layers = layer + 1;
}

struct PointHash {
    size_t operator()(const Point& p) const
    {
        return std::hash<double>()(p.X) * 31 ^ std::hash<double>()(p.Y);
    }
};

Edge Reversed(const Edge& edge)
{
    Edge out = edge;
    std::swap(out.From, out.To);
    return out;
}

// Joins a fill's edges, each with the fill on its right, end to start into
// closed contours.
std::vector<Contour> LinkFill(const std::vector<Edge>& edges)
{
    std::unordered_map<Point, std::vector<size_t>, PointHash> byStart;
    for (size_t i = edges.size(); i-- > 0;) byStart[edges[i].From].push_back(i);
    std::vector<bool> used(edges.size());
    std::vector<Contour> contours;
    for (size_t first = 0; first < edges.size(); ++first) {
        if (used[first])
            continue;
        Contour contour{edges[first].From, {}};
        size_t at = first;
        while (true) {
            used[at] = true;
            contour.Segments.push_back({edges[at].Control, edges[at].To, edges[at].Curve});
            if (edges[at].To == contour.Start)
                break;
            std::vector<size_t>& next = byStart[edges[at].To];
            while (!next.empty() && used[next.back()]) next.pop_back();
            if (next.empty())
                break;
            at = next.back();
            next.pop_back();
        }
        contours.push_back(std::move(contour));
    }
    return contours;
}

// A line's edges in their order, a new path wherever they do not join.
std::vector<Contour> LinkLine(const std::vector<Edge>& edges)
{
    std::vector<Contour> contours;
    for (const Edge& edge : edges) {
        if (contours.empty() || !(contours.back().Segments.back().To == edge.From))
            contours.push_back({edge.From, {}});
        contours.back().Segments.push_back({edge.Control, edge.To, edge.Curve});
    }
    return contours;
}

}

FillStyle ReadFillStyle(SwfReader& reader, int version)
{
    FillStyle fill;
    uint8_t type = reader.U8();
    if (type == 0x00) {
        fill.Argb = ReadColour(reader, version);
    } else if (type == 0x10 || type == 0x12 || type == 0x13) {
        fill.Kind = type == 0x10 ? FillKind::Linear : FillKind::Radial;
        fill.Transform = ReadMatrix(reader);
        uint32_t spread = reader.UnsignedBits(2);
        fill.SpreadMode = spread == 1 ? Spread::Reflect : spread == 2 ? Spread::Repeat : Spread::Pad;
        reader.UnsignedBits(2);  // interpolation: always in sRGB here
        for (uint32_t i = reader.UnsignedBits(4); i > 0; --i) {
            double offset = reader.U8() / 255.0;
            fill.Stops.push_back({offset, ReadColour(reader, version)});
        }
        if (type == 0x13)
            fill.Focal = std::clamp(static_cast<int16_t>(reader.U16()) / 256.0, -1.0, 1.0);
    } else if (type >= 0x40 && type <= 0x43) {
        fill.Kind = FillKind::Bitmap;
        fill.BitmapId = reader.U16();
        fill.Transform = ReadMatrix(reader);
        fill.Repeat = type == 0x40 || type == 0x42;
        fill.Smooth = type <= 0x41;
    } else {
        throw SwfFormatError("unknown fill style");
    }
    return fill;
}

ShapeRecords ReadShapeWithStyles(SwfReader& reader, int version)
{
    ShapeRecords records;
    try {
        ReadStyles(reader, version, records);
        ReadRecords(reader, version, records, true);
    } catch (const SwfFormatError&) {
        // Drawn as far as it was read.
    }
    return records;
}

ShapeRecords ReadShapeRecords(SwfReader& reader, int version)
{
    ShapeRecords records;
    records.Fills.resize(1);
    try {
        ReadRecords(reader, version, records, false);
    } catch (const SwfFormatError&) {
    }
    return records;
}

Outline Assemble(const ShapeRecords& records)
{
    std::vector<std::map<uint32_t, std::vector<Edge>>> fills(records.Layers), lines(records.Layers);
    for (const Edge& edge : records.Edges) {
        uint32_t layer = std::min(edge.Layer, records.Layers - 1);
        if (edge.Fill1)
            fills[layer][edge.Fill1].push_back(edge);
        if (edge.Fill0)
            fills[layer][edge.Fill0].push_back(Reversed(edge));
        if (edge.Line)
            lines[layer][edge.Line].push_back(edge);
    }
    Outline outline(records.Layers);
    for (uint32_t layer = 0; layer < records.Layers; ++layer) {
        for (auto& [style, edges] : fills[layer]) outline[layer].Fills.push_back({style, LinkFill(edges)});
        for (auto& [style, edges] : lines[layer]) outline[layer].Lines.push_back({style, LinkLine(edges)});
    }
    return outline;
}

Extent Measure(const ShapeRecords& records)
{
    Extent extent;
    if (records.Edges.empty())
        return extent;
    extent.Min = extent.Max = records.Edges.front().From;
    for (const Edge& edge : records.Edges)
        for (const Point& p : {edge.From, edge.Control, edge.To}) {
            extent.Min = {std::min(extent.Min.X, p.X), std::min(extent.Min.Y, p.Y)};
            extent.Max = {std::max(extent.Max.X, p.X), std::max(extent.Max.Y, p.Y)};
        }
    for (const LineStyle& line : records.Lines) {
        extent.Lines = true;
        extent.WidestLine = std::max(extent.WidestLine, line.Width);
        // A square cap's corner lies sqrt(2) half widths out; a miter's tip
        // up to its limit.
        double reach = line.JoinStyle == Join::Miter ? std::max(line.MiterLimit, 1.0) : 1.0;
        extent.JoinReach = std::max({extent.JoinReach, reach, std::sqrt(2.0)});
    }
    return extent;
}

}
