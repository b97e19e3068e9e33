#include "engine/resampler.h"

#include "engine/fast_math.h"

float resampler_edge(int32_t n)
{
    float nf = (float)n;
    return (1.2456399f * nf - 0.83545053f) * fast_rcp(nf - 0.48647094f);
}

void resampler_design(Resampler* rs, int32_t ratio, float x)
{
    rs->ratio = ratio;
    rs->sections = RESAMPLER_SECTIONS;
    float n = (float)(ratio < 0 ? -ratio : ratio);
    // Analog stopband edge tan(pi x / (2N)) for the oversampled rate.
    float theta = (x * 0.5f / n) * 3.1415927f * 0.15915494f;
    float t = fast_sin2pi(theta) * fast_rcp(fast_cos2pi(theta));
    float t2 = t * t;
    for (int k = 0; k < RESAMPLER_SECTIONS; k++) {
        float phi = ((float)(2 * k) * 0.09817477f + 0.09817477f) * 0.15915494f;
        float sv = fast_sin2pi(phi);
        float cv = fast_cos2pi(phi);
        float norm = sv * sv + cv * cv;
        // Normalise the approximate sine and cosine onto the unit circle.
        float kn = 1.0f / fast_sqrt(norm);
        float s = sv * kn;
        float u = 1.0f / s;
        // 1.305446 and 0.83925736: cosh and sinh of asinh(1e5)/16, the
        // ripple factor of a 100 dB stopband at order 16.
        float cn = kn * cv * -0.83925736f;
        float f = (s * 1.305446f) * (s * 1.305446f);
        float u2 = u * u;
        float v = 1.0f / (((cn - t) * (cn - t) + f) * u2);
        float w = u2 * v;
        rs->b0[k] = v + t2 * w;
        rs->b1[k] = 2.0f * (t2 * w - v);
        rs->na1[k] = ((cn * cn + f) - t2) * 2.0f * w;
        rs->na2[k] = ((t + cn) * (t + cn) + f) * -w;
    }
}
