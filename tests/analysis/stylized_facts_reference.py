#!/usr/bin/env python3
"""Reference values for the stylized-facts tests, from the textbook formulas
in plain Python (no numerical library), independent of the C++ code.

Run: python3 tests/analysis/stylized_facts_reference.py
It prints every value with 17 significant digits; the tests hold them.

R 4.2 agrees with the autocorrelations, the Ljung-Box statistics and
p-values, the quantiles and the chi-squared tail to about 1e-16:
  acf(y, lag.max = 10, plot = FALSE); acf(abs(y), ...); acf(y^2, ...)
  Box.test(y, lag = 10, type = "Ljung-Box"); Box.test(y^2, lag = 10, type = "Ljung-Box")
  quantile(c(0.7, -0.2, 0.4, 1.0, 0.1), c(0.1, 0.5, 0.9))
  pchisq(c(3.94, 10), 10, lower.tail = FALSE)
"""
import math

# Weekly changes on a ladder of 0.005 with ties, 26 weeks, and volumes.
Y = [0.010, -0.005, 0.000, 0.015, -0.020, 0.005, 0.005, -0.010, 0.030, -0.015,
     0.000, 0.010, -0.025, 0.005, 0.020, -0.005, -0.010, 0.000, 0.035, -0.030,
     0.010, 0.005, -0.005, 0.015, -0.040, 0.020]
V = [0.2, 0.1, 0.0, 0.3, 0.5, 0.1, 0.2, 0.2, 0.6, 0.3,
     0.0, 0.2, 0.4, 0.1, 0.5, 0.1, 0.3, 0.1, 0.7, 0.6,
     0.2, 0.1, 0.1, 0.4, 0.9, 0.4]


def mean(y):
    return math.fsum(y) / len(y)


def moment(y, k):
    m = mean(y)
    return math.fsum((v - m) ** k for v in y) / len(y)


def acf(y, h):
    m = mean(y)
    num = math.fsum((y[t] - m) * (y[t + h] - m) for t in range(len(y) - h))
    den = math.fsum((v - m) ** 2 for v in y)
    return num / den


def chi2_upper_tail_10(q):
    # For an even number 2m of degrees of freedom the upper tail is
    # exp(-q/2) * sum_{i<m} (q/2)^i / i!.
    x = q / 2
    return math.exp(-x) * math.fsum(x ** i / math.factorial(i) for i in range(5))


def ljung_box(y):
    n = len(y)
    q = n * (n + 2) * math.fsum(acf(y, h) ** 2 / (n - h) for h in range(1, 11))
    return q, chi2_upper_tail_10(q)


def excess_kurtosis(y):
    return moment(y, 4) / moment(y, 2) ** 2 - 3


def hill(y):
    n = len(y)
    k = max(2, n // 10)
    u = sorted((abs(v) for v in y), reverse=True)
    return k / math.fsum(math.log(u[i] / u[k]) for i in range(k)), k


def blocks(y, w):
    return [math.fsum(y[i:i + w]) for i in range(0, len(y) - w + 1, w)]


def pearson(a, b):
    ma, mb = mean(a), mean(b)
    num = math.fsum((x - ma) * (z - mb) for x, z in zip(a, b))
    return num / math.sqrt(math.fsum((x - ma) ** 2 for x in a) * math.fsum((z - mb) ** 2 for z in b))


def quantile7(values, p):
    v = sorted(values)
    h = (len(v) - 1) * p
    lo = math.floor(h)
    return v[lo] if lo + 1 >= len(v) else v[lo] + (h - lo) * (v[lo + 1] - v[lo])


def show(name, value):
    print(f"{name} = {value:.17g}")


show("mean", mean(Y))
show("std", math.sqrt(moment(Y, 2)))
show("skew", moment(Y, 3) / moment(Y, 2) ** 1.5)
show("excess_kurtosis", excess_kurtosis(Y))
h, k = hill(Y)
show("hill", h)
show("hill_k", k)
for name, series in (("acf_r", Y), ("acf_abs", [abs(v) for v in Y]), ("acf_sq", [v * v for v in Y])):
    for lag in (1, 2, 10):
        show(f"{name}_{lag}", acf(series, lag))
q, p = ljung_box(Y)
show("lb_r_q", q)
show("lb_r_p", p)
q, p = ljung_box([v * v for v in Y])
show("lb_sq_q", q)
show("lb_sq_p", p)
show("agg4_excess_kurtosis", excess_kurtosis(blocks(Y, 4)))
show("agg13_excess_kurtosis", excess_kurtosis(blocks(Y, 13)))
show("leverage", pearson(Y[:-1], [abs(v) for v in Y[1:]]))
show("volume_abs_corr", pearson(V, [abs(v) for v in Y]))
# Hill with ties at the threshold: |y| = 3, 2, 2, 2, 1, ... (k = 2, u3 = 2).
show("hill_ties", hill([3, -2, 2, -2, 1, 0, 0, 0, 0, 0])[0])
# Quantiles of a small set, as R's quantile(type = 7) and numpy compute them.
S = [0.7, -0.2, 0.4, 1.0, 0.1]
for p in (0.1, 0.5, 0.9):
    show(f"q7_{p}", quantile7(S, p))
# The chi-squared tail at a few points.
for x in (3.94, 10.0, 18.307038053275146):
    show(f"chi2_10_upper({x})", chi2_upper_tail_10(x))
