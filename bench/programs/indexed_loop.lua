local a = {}
for i = 1, 1000000 do a[i] = 0.0 end
for i = 0, 999999 do a[i + 1] = a[i + 1] + i end
print(a[1000000])
