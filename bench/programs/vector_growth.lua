local v = {}
for i = 0, 99999 do v[i + 1] = i end
print(v[100000])
