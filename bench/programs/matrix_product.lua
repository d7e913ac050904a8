local n = 500
local a, b, c = {}, {}, {}
for i = 1, n do
  a[i], b[i], c[i] = {}, {}, {}
  for j = 1, n do a[i][j] = 0.5; b[i][j] = 0.25 end
end
for i = 1, n do
  local ci, ai = c[i], a[i]
  for j = 1, n do ci[j] = 0 end
  for k = 1, n do
    local aik, bk = ai[k], b[k]
    for j = 1, n do ci[j] = ci[j] + aik * bk[j] end
  end
end
print(c[1][1])
