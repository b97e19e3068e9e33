#include "engine/filters.h"

void one_pole_design(OnePoleHighPass* f, float fc, float fs)
{
    float fl = fast_min(fc, 0.499f * fs);
    float p = 3.1415927f * fl * fast_rcp(fs) * 0.15915494f;  // fl/(2 fs) in turns
    float m = fc * fast_tan_turns(p);
    float r = fast_rcp(fl + m);
    f->b0 = fl * r;
    f->b1 = -f->b0;
    f->a1 = (m - fl) * r;
}

void stage_set_rate(StageSmoothing* sm, StageRate* rate, float fs_os)
{
    sm->fs_2pi = fs_os * 0.15915494f;
    sm->smooth_coeff = sm->fs_2pi * fast_rcp(sm->smooth_cutoff + sm->fs_2pi);
    sm->snap2 = sm->snap * sm->snap;
    rate->fs_os = fs_os;
    rate->t_os = 1.0f / fs_os;
    rate->f_max = fs_os * 0.499f;
}
