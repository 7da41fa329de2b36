#include "sim/geometry.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tessaly::sim {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Integral of sqrt(r^2 - t^2) dt.
double HalfChordIntegral(double t, double r)
{
    t = std::clamp(t, -r, r);
    return 0.5 * (t * std::sqrt(std::max(0.0, r * r - t * t)) + r * r * std::asin(t / r));
}

// Area of the disc of radius r at the origin inside the rectangle [x0,x1] x [a,b],
// exactly: the chord overlap is piecewise one of 0, b - a, h - a, b + h, 2h with
// h = sqrt(r^2 - x^2), split where h crosses |a| and |b|.
double DiscRectArea(double r, double x0, double x1, double a, double b)
{
    x0 = std::max(x0, -r);
    x1 = std::min(x1, r);
    if (x0 >= x1 || a >= b || r <= 0)
        return 0;
    std::vector<double> cuts{x0, x1};
    for (double y : {a, b}) {
        if (std::abs(y) < r) {
            double s = std::sqrt(r * r - y * y);
            for (double c : {-s, s})
                if (c > x0 && c < x1)
                    cuts.push_back(c);
        }
    }
    std::sort(cuts.begin(), cuts.end());
    double area = 0;
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
        const double u = cuts[i];
        const double v = cuts[i + 1];
        const double m = 0.5 * (u + v);
        const double h = std::sqrt(std::max(0.0, r * r - m * m));
        const double top = std::min(h, b);
        const double bottom = std::max(-h, a);
        if (top <= bottom)
            continue;
        const double H = HalfChordIntegral(v, r) - HalfChordIntegral(u, r);
        area += (top == h ? H : b * (v - u)) - (bottom == -h ? -H : a * (v - u));
    }
    return area;
}

} // namespace

double SphereBoxOverlap(const cad::Point3& centre, double radius, const cad::Point3& boxMin, const cad::Point3& boxMax)
{
    const double z0 = std::max(boxMin[2], centre[2] - radius);
    const double z1 = std::min(boxMax[2], centre[2] + radius);
    if (z0 >= z1 || radius <= 0)
        return 0;
    // The slice area is smooth in z except where the slice circle starts or stops
    // crossing a side or a corner of the rectangle: integrate piece by piece between
    // those heights.
    const double r2 = radius * radius;
    std::vector<double> cuts{z0, z1};
    auto cutAt = [&](double d2) {
        if (d2 < r2)
            for (double dz : {-std::sqrt(r2 - d2), std::sqrt(r2 - d2)})
                if (centre[2] + dz > z0 && centre[2] + dz < z1)
                    cuts.push_back(centre[2] + dz);
    };
    for (double dx : {boxMin[0] - centre[0], boxMax[0] - centre[0]}) {
        cutAt(dx * dx);
        for (double dy : {boxMin[1] - centre[1], boxMax[1] - centre[1]})
            cutAt(dx * dx + dy * dy);
    }
    for (double dy : {boxMin[1] - centre[1], boxMax[1] - centre[1]})
        cutAt(dy * dy);
    std::sort(cuts.begin(), cuts.end());

    auto slice = [&](double z) {
        const double dz = z - centre[2];
        const double rho = std::sqrt(std::max(0.0, r2 - dz * dz));
        return DiscRectArea(rho, boxMin[0] - centre[0], boxMax[0] - centre[0], boxMin[1] - centre[1],
                            boxMax[1] - centre[1]);
    };
    // Simpson's rule in s with z = a + (b - a)(3s^2 - 2s^3), which crowds the nodes
    // towards both ends of a piece, where the area is least smooth.
    const int n = 160;
    double volume = 0;
    for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
        const double a = cuts[k];
        const double b = cuts[k + 1];
        if (b <= a)
            continue;
        double sum = 0;
        for (int i = 0; i <= n; ++i) {
            const double t = static_cast<double>(i) / n;
            const double z = a + (b - a) * t * t * (3 - 2 * t);
            const double dzds = (b - a) * 6 * t * (1 - t);
            sum += slice(z) * dzds * (i == 0 || i == n ? 1 : (i % 2 ? 4 : 2));
        }
        volume += sum / (3.0 * n);
    }
    return volume;
}

double SphereSphereOverlap(const cad::Point3& c1, double r1, const cad::Point3& c2, double r2)
{
    const double d = std::hypot(c1[0] - c2[0], c1[1] - c2[1], c1[2] - c2[2]);
    if (d >= r1 + r2)
        return 0;
    if (d <= std::abs(r1 - r2)) {
        const double r = std::min(r1, r2);
        return 4.0 / 3.0 * kPi * r * r * r;
    }
    const double s = r1 + r2 - d;
    return kPi * s * s * (d * d + 2 * d * (r1 + r2) - 3 * (r1 - r2) * (r1 - r2)) / (12 * d);
}

double BoxBoxOverlap(const cad::Point3& min1, const cad::Point3& max1, const cad::Point3& min2, const cad::Point3& max2)
{
    double volume = 1;
    for (int i = 0; i < 3; ++i)
        volume *= std::max(0.0, std::min(max1[i], max2[i]) - std::max(min1[i], min2[i]));
    return volume;
}

} // namespace tessaly::sim
