#!/usr/bin/python3
"""Independent reference of the weighted Fourier fit, printed as C++ constants for
tests/fit/HarmonicCoreTest.cpp (`python3 make_weighted_reference.py`): plain Python, no library.

The least squares of y = A0 + sum_k a_k sin(k w t) + b_k cos(k w t), w = 2 pi / P, weighing each
observation by 1/sigma^2, solved exactly in rational numbers (fractions.Fraction) from the
normal equations (A^T W A) x = A^T W y, with the sines and cosines taken in double precision.
chi2 = sum ((y - fit)/sigma)^2; the covariance is chi2 / (N - 2n - 1) times (A^T W A)^-1.
"""
import math
from fractions import Fraction as F

P = 0.7
n = 2
t = [1.0, 1.37, 1.81, 2.26, 2.9, 3.33, 3.72, 4.41, 4.95, 5.5, 6.08]
y = [12.10, 12.45, 12.31, 11.92, 12.38, 12.02, 12.20, 12.47, 11.95, 12.29, 12.11]
s = [0.01, 0.02, 0.05, 0.01, 0.03, 0.02, 0.01, 0.04, 0.02, 0.01, 0.03]
omega = 6.283185307179586 / P
rows = []
for ti in t:
    r = [F(1)]
    for k in range(1, n + 1):
        r += [F(math.sin(k * omega * ti)), F(math.cos(k * omega * ti))]
    rows.append(r)
w = [1 / F(si) ** 2 for si in s]
m = 2 * n + 1
A = [[sum(w[e] * rows[e][i] * rows[e][j] for e in range(len(t))) for j in range(m)] for i in range(m)]
b = [sum(w[e] * F(y[e]) * rows[e][i] for e in range(len(t))) for i in range(m)]
# Gauss-Jordan on [A | I | b], exact.
M = [A[i][:] + [F(int(i == j)) for j in range(m)] + [b[i]] for i in range(m)]
for c in range(m):
    p = next(r for r in range(c, m) if M[r][c] != 0)
    M[c], M[p] = M[p], M[c]
    piv = M[c][c]
    M[c] = [v / piv for v in M[c]]
    for r in range(m):
        if r != c and M[r][c] != 0:
            f = M[r][c]
            M[r] = [a - f * bb for a, bb in zip(M[r], M[c])]
x = [M[i][-1] for i in range(m)]
inv = [M[i][m:2 * m] for i in range(m)]
chi2 = sum(w[e] * (F(y[e]) - sum(x[i] * rows[e][i] for i in range(m))) ** 2 for e in range(len(t)))
dof = len(t) - m
print("// Made by tests/fit/make_weighted_reference.py; see there.")
print("constexpr double kWeightedCoefficients[] = {" + ", ".join(repr(float(v)) for v in x) + "};")
print(f"constexpr double kWeightedChi2 = {float(chi2)!r};")
print("constexpr double kWeightedErrors[] = {" +
      ", ".join(repr(math.sqrt(float(chi2 / dof * inv[i][i]))) for i in range(m)) + "};")
