// Parameter ids and the conversions between normalized values, plain
// values and text.
#include "vst3/vst3_binding.h"

const vst3_param_id vst3_param_ids[ENGINE_PARAM_COUNT] = {
    1955105482u, 1278044914u, 417465296u, 907392060u, 115099194u, 150732888u,
};

int32_t param_index_of_id(vst3_param_id id)
{
    for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++)
        if (vst3_param_ids[i] == id)
            return i;
    return -1;
}

double vst3_normalized_to_plain(int32_t index, double normalized)
{
    double minimum = engine_params[index].minimum;
    double maximum = engine_params[index].maximum;
    return minimum + (maximum - minimum) * normalized;
}

double vst3_limit_plain(int32_t index, double plain)
{
    if (index == ENGINE_PARAM_BYPASS)
        plain = plain >= 0.5 ? 1.0 : 0.0;
    double minimum = engine_params[index].minimum;
    double maximum = engine_params[index].maximum;
    if (plain < minimum)
        return minimum;
    if (plain > maximum)
        return maximum;
    return plain;
}

enum { STRING128_UNITS = 128 };

typedef struct DigitWriter {
    vst3_char16* string;
    int length;
} DigitWriter;

// Never past the 127th unit: the last one is the terminator's.
static void put_char(DigitWriter* w, char c)
{
    if (w->length < STRING128_UNITS - 1)
        w->string[w->length++] = (vst3_char16)c;
}

static void put_digit(DigitWriter* w, int d)
{
    if (d < 0)
        d = 0;
    if (d > 9)
        d = 9;
    put_char(w, (char)('0' + d));
}

tresult format_param_string(vst3_param_id id, double normalized, vst3_char16* string)
{
    int32_t i = param_index_of_id(id);
    if (i < 0 || !string)
        return VST3_FALSE;
    // Limited to the range first (NaN to the minimum): the digit loop below
    // would never end for an infinite value.
    double minimum = engine_params[i].minimum;
    double maximum = engine_params[i].maximum;
    double x = vst3_normalized_to_plain(i, normalized);
    if (!(x >= minimum))
        x = minimum;
    if (x > maximum)
        x = maximum;

    DigitWriter w = {string, 0};
    if (x < 0) {
        put_char(&w, '-');
        x = -x;
    }
    if (x < 1) {
        put_char(&w, '0');
    } else {
        double f = 1;
        while (!(f > x))
            f *= 10;
        f *= 0.1;
        while (f >= 1) {
            int d = (int)(x / f);
            put_digit(&w, d);
            x -= d * f;
            f *= 0.1;
        }
    }
    put_char(&w, '.');
    int d1 = (int)(x / 0.1);
    put_digit(&w, d1);
    x -= d1 * 0.1;
    int d2 = (int)(x / 0.010000000000000002);
    put_digit(&w, d2);
    string[w.length] = 0;
    return VST3_OK;
}

tresult parse_param_string(vst3_param_id id, const vst3_char16* string, double* normalized)
{
    int32_t i = param_index_of_id(id);
    if (i < 0 || !string || !normalized)
        return VST3_FALSE;
    int negative = 0;
    if (*string == '-') {
        negative = 1;
        string++;
    }
    double v = 0;
    while (*string >= '0' && *string <= '9')
        v = v * 10 + (double)(*string++ - '0');
    if (negative)
        v = -v;
    double minimum = engine_params[i].minimum;
    double maximum = engine_params[i].maximum;
    *normalized = (v - minimum) / (maximum - minimum);
    return VST3_OK;
}
