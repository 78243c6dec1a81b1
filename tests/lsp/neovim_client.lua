-- Neovim as the client of kresbon-lsp: a script with an error gets its
-- diagnostic, completion lists the commands and the script's procedures, and
-- go to definition finds a procedure's declaration.
-- Run: KRESBON_LSP=... KRESBON_SCRATCH=... nvim --headless -u NONE -c "luafile neovim_client.lua"
local server = os.getenv('KRESBON_LSP')
local scratch = os.getenv('KRESBON_SCRATCH')
local failures = {}
local function check(ok, what)
  if not ok then table.insert(failures, what) end
end

local script = scratch .. '/drawing.krs'
local file = io.open(script, 'w')
file:write('MaximumX = 100\nProcedure Box #x, #y\nRectangle #x, #y, 20, 20, \nEnd\nBox 1, 2\nCircel 5, 5, 3\n')
file:close()

local client_id = vim.lsp.start_client({
  cmd = { server },
  root_dir = scratch,
  init_options = { language = 'en' },
})
check(client_id ~= nil, 'the server starts')
vim.cmd('edit ' .. script)
vim.lsp.buf_attach_client(0, client_id)

local got = vim.wait(10000, function() return #vim.diagnostic.get(0) > 0 end, 20)
check(got, 'a diagnostic is published')
local diagnostic = vim.diagnostic.get(0)[1] or {}
check(diagnostic.lnum == 5, 'the diagnostic is on line 6, not ' .. tostring(diagnostic.lnum))
check((diagnostic.message or ''):find('Command "Circel" is unappropriated.', 1, true) ~= nil,
  'the message names the command: ' .. tostring(diagnostic.message))
check((diagnostic.message or ''):find('Did you mean Circle?', 1, true) ~= nil, 'the hint follows the message')

local client = vim.lsp.get_client_by_id(client_id)
local uri = vim.uri_from_bufnr(0)
local answer = client.request_sync('textDocument/completion',
  { textDocument = { uri = uri }, position = { line = 4, character = 1 } }, 5000, 0)
local labels = {}
for _, item in ipairs((answer and answer.result) or {}) do labels[item.label] = item.detail or '' end
check(labels['Rectangle'] ~= nil, 'completion offers Rectangle')
check(labels['MaximumX'] ~= nil, 'completion offers MaximumX')
check(labels['Box'] == 'Box #x, #y', 'completion offers the procedure with its parameters')

answer = client.request_sync('textDocument/completion',
  { textDocument = { uri = uri }, position = { line = 2, character = 26 } }, 5000, 0)
labels = {}
for _, item in ipairs((answer and answer.result) or {}) do labels[item.label] = true end
check(labels['Dash'] and labels['Solid'] and not labels['Red'], 'the fifth parameter of Rectangle is a line type')

answer = client.request_sync('textDocument/definition',
  { textDocument = { uri = uri }, position = { line = 4, character = 1 } }, 5000, 0)
local location = answer and answer.result
if location and location[1] then location = location[1] end
check(location and location.uri == uri and location.range.start.line == 1, 'go to definition finds the Procedure line')

vim.lsp.stop_client(client_id)
if #failures > 0 then
  io.stderr:write('FAIL: ' .. table.concat(failures, '\nFAIL: ') .. '\n')
  vim.cmd('cquit 1')
else
  io.stderr:write('neovim client: all checks passed\n')
  vim.cmd('qall!')
end
