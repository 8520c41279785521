#pragma once

// Real gas in a cylinder: above about 200 bar a cylinder holds noticeably less gas than water
// volume x pressure (air at 300 bar and 15 C about 10 % less), oxygen a little more below
// 200 bar. Litres are surface litres (1 bar), the unit of the breathing rates.

struct Cylinder;

// The compressibility factor Z = pV / nRT of a mix of `o2` and `he` percent (nitrogen the rest)
// at `bar` absolute and `celsius`.
double compressibility(int o2, int he, double bar, double celsius);

// Surface litres of the cylinder's mix at `bar`: water volume x bar / Z.
double cylinderLitres(const Cylinder& cylinder, double bar, double celsius);

// The pressure at which the cylinder holds `litres`; 0 for none or less, and above the fill
// when asked for more than the fill holds.
double cylinderBar(const Cylinder& cylinder, double litres, double celsius);
