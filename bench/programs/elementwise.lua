local n = 10000000
local x = {}
for i = 1, n do x[i] = i - 1 end
local y = {}
for i = 1, n do y[i] = x[i] * 2 + 1 end
print(y[n])
